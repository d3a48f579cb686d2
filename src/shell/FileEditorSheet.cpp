#include "shell/FileEditorSheet.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/FileIO.h"
#include "platform/FileStamp.h"
#include "platform/qt/MemoText.h"
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
    if (stamp == age) {
        return;
    }
    age = stamp;
    const QString text = MemoDisplayText(ReadWholeFile(path));
    if (text != Editor->toPlainText()) {
        Editor->setPlainText(text);
    }
}

void FileEditorSheet::Save(const std::string& fileName) {
    WriteFileAtomic(fileName, MemoBytes(Editor->toPlainText()));
}

}  // namespace Sumirel
