#include "diary/Commands.h"

#include <optional>

#include "diary/Feed.h"
#include "diary/FormatError.h"
#include "diary/Messages.h"
#include "diary/PageBuilder.h"
#include "diary/TargetFiles.h"
#include "platform/Backups.h"
#include "platform/FileIO.h"
#include "platform/WriterLock.h"

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

// True when the entry equals the diary's newest one, field by field. A damaged diary is no
// duplicate: the page build reports it after the write.
bool RepeatsNewestEntry(const std::string& diaryFileName, const SDiary& entry, Reporter& reporter) {
    if (!FileExists(diaryFileName)) {
        return false;
    }
    std::optional<SDiary> newest;
    try {
        newest = NewestEntry(ReadWholeFile(diaryFileName), reporter);
    } catch (const FormatError&) {
        return false;
    }
    // The stored contents end with the line break that closes their last line.
    return newest && newest->Date == entry.Date && newest->Wheather == entry.Wheather &&
           newest->Title == entry.Title && newest->Contents == entry.Contents + "\r\n";
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
    // Asked before the lock is taken, so that a question left open holds up no other writer;
    // a writer that slips in meanwhile only makes the question moot.
    if (goOn && RepeatsNewestEntry(settings.DiaryFileName, entry, ui)) {
        goOn = ui.AskYesNo(Messages::kAskDuplicate);
    }
    if (!goOn) {
        return CommandResult::NotRun;
    }
    const WriterLock lock(settings.DiaryFileName);
    KeepBackup(settings.DiaryFileName, settings.BackupCount);
    WriteEntry(settings.DiaryFileName, entry, ui);
    // From here on the entry is stored: a failure must say so, not look as if nothing
    // happened, or the user writes the entry a second time.
    bool ok = false;
    try {
        ok = RebuildPageAndTargets(settings, ui);
    } catch (const PlatformError& error) {
        ui.ShowError(error.what());
    }
    ui.ShowClosingMessage(ok ? Messages::kWriteDone : Messages::kWriteFailed);
    return ok ? CommandResult::Succeeded : CommandResult::Failed;
}

CommandResult RebuildCommand(const Settings& settings, CommandUi& ui) {
    std::optional<WriterLock> lock;
    if (!settings.DiaryFileName.empty()) {
        lock.emplace(settings.DiaryFileName);
    }
    if (!RebuildPageAndTargets(settings, ui)) {
        return CommandResult::Failed;
    }
    ui.ShowClosingMessage(Messages::kRebuilt);
    return CommandResult::Succeeded;
}

}  // namespace Sumirel
