#include "shell/FileEditorSheet.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "diary/Messages.h"
#include "platform/Backups.h"
#include "platform/FileIO.h"
#include "platform/FileStamp.h"
#include "platform/qt/MemoText.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/UserDialogs.h"
#include "shell/EditActions.h"
#include "shell/SheetLayout.h"

namespace Sumirel {

FileEditorSheet::FileEditorSheet(EditActions& actions, const QString& editorName,
                                 const QString& buttonName, QWidget* parent)
    : AnchoredSheet(SheetLayout::kDesignSize, parent),
      Editor(new QPlainTextEdit),
      SaveButton(new QPushButton(QString::fromUtf8("保存"))) {
    Editor->setObjectName(editorName);
    Editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setTabChangesFocus(true);
    actions.Attach(Editor);
    Place(Editor, {0, 0, SheetLayout::kDesignSize.width(), 313}, All);

    const QString hint = QString::fromUtf8("現在編集中のファイルを保存します");
    SaveButton->setObjectName(buttonName);
    SaveButton->setToolTip(hint);
    SaveButton->setStatusTip(hint);
    Place(SaveButton, SheetLayout::kRightButton, Right | Bottom);
    setTabOrder(Editor, SaveButton);
}

void FileEditorSheet::Load(const std::string& fileName, std::int32_t& age) {
    if (fileName.empty()) {
        return;
    }
    const std::string path = SheetLayout::InFolder(fileName, CurrentFolder());
    if (!FileExists(path)) {
        return;
    }
    const std::int32_t stamp = FileAgeStamp(path);
    if (stamp == age || IsModified()) {
        return;
    }
    const std::string signature = FileSignature(path);
    const QString text = MemoDisplayText(ReadWholeFile(path));
    age = stamp;
    signature_ = signature;
    if (text != Editor->toPlainText()) {
        Editor->setPlainText(text);
    }
    Editor->document()->setModified(false);
}

std::optional<std::string> FileEditorSheet::ConfirmSave(const std::string& fileName) {
    const std::string current = FileSignature(fileName);
    if (current != signature_) {
        const QString question =
            QString::fromUtf8(
                "ファイル \"%1\" は、このタブで読み込んだ後に変更されています。"
                "上書きしますか？")
                .arg(FromShiftJis(fileName));
        if (!Dialogs().AskYesNo(this, FromShiftJis(Messages::kWarningCaption), question)) {
            return std::nullopt;
        }
    }
    return current;
}

bool FileEditorSheet::SaveIfUnchanged(const std::string& fileName, int backupCount,
                                      const std::string& confirmed) {
    if (FileSignature(fileName) != confirmed) {
        return false;
    }
    KeepBackup(fileName, backupCount);
    WriteFileAtomic(fileName, MemoBytes(Editor->toPlainText()));
    signature_ = FileSignature(fileName);
    Editor->document()->setModified(false);
    return true;
}

bool FileEditorSheet::IsModified() const {
    return Editor->document()->isModified();
}

void FileEditorSheet::DiscardEdits() {
    Editor->document()->setModified(false);
}

}  // namespace Sumirel
