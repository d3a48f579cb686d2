#include "diary/Commands.h"

#include "diary/Feed.h"
#include "diary/Messages.h"
#include "diary/PageBuilder.h"
#include "diary/TargetFiles.h"

namespace Sumirel {

namespace {

// The page, then (only when the page was built) the feed and the target files. The feed is
// the page's companion, made from the same diary and the page's title, so it comes right
// after the page: a target file that cannot be written then leaves the two in step. A feed
// that could not be made (its Url missing) does not keep the target files from being
// updated, but the command reports the failure.
bool RebuildPageAndTargets(const Settings& settings, Reporter& reporter) {
    PageBuilder builder(settings.TemplateFileName, settings.AddStrings, reporter);
    if (!builder.BuildPage(settings.DiaryFileName, settings.HtmlFileName)) {
        return false;
    }
    const bool feedWritten = WriteFeed(settings, builder.PageText, reporter);
    const bool targetsUpdated = UpdateTargetFiles(settings.DiaryFileName, settings.OtherFiles,
                                                  settings.AddStrings, reporter);
    return feedWritten && targetsUpdated;
}

}  // namespace

CommandResult WriteCommand(const Settings& settings, const SDiary& entry, CommandUi& ui) {
    if (settings.DiaryFileName.empty() || settings.HtmlFileName.empty()) {
        return CommandResult::NotRun;
    }
    bool goOn = true;
    if (entry.Title.empty()) {
        goOn = ui.AskYesNo(Messages::kAskNoTitle);
    }
    if (goOn && entry.Contents.empty()) {
        goOn = ui.AskYesNo(Messages::kAskNoContents);
    }
    if (!goOn) {
        return CommandResult::NotRun;
    }
    WriteEntry(settings.DiaryFileName, entry, ui);
    const bool ok = RebuildPageAndTargets(settings, ui);
    ui.ShowClosingMessage(ok ? Messages::kWriteDone : Messages::kWriteFailed);
    return ok ? CommandResult::Succeeded : CommandResult::Failed;
}

CommandResult RebuildCommand(const Settings& settings, CommandUi& ui) {
    if (!RebuildPageAndTargets(settings, ui)) {
        return CommandResult::Failed;
    }
    ui.ShowClosingMessage(Messages::kRebuilt);
    return CommandResult::Succeeded;
}

}  // namespace Sumirel
