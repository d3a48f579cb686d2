#pragma once
// A tab that edits one input file of the page builder (the template or the diary): the
// editor fills the page, the Save button sits at the bottom right. The tab reloads its file
// when the user enters it and the file's stamp has changed since the last load.

#include <cstdint>
#include <string>

#include "shell/AnchoredSheet.h"

class QPlainTextEdit;
class QPushButton;

namespace Sumirel {

class EditActions;

class FileEditorSheet : public AnchoredSheet {
public:
    FileEditorSheet(EditActions& actions, const QString& editorName, const QString& buttonName,
                    QWidget* parent = nullptr);

    // Loads the file named `fileName` (a name without a folder lies in the current folder)
    // unless it is missing or its stamp equals `age`; `age` then takes the new stamp. When
    // the file's text equals the editor's, the editor is left alone (caret, undo). Throws
    // FileError when the file cannot be read.
    void Load(const std::string& fileName, std::int32_t& age);

    // Writes the editor's text, byte for byte, to the file named exactly `fileName`.
    void Save(const std::string& fileName);

    QPlainTextEdit* Editor;
    QPushButton* SaveButton;
};

}  // namespace Sumirel
