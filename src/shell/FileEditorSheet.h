#pragma once
// A tab that edits one input file of the page builder (the template or the diary): the
// editor fills the page, the Save button sits at the bottom right. The tab reloads its file
// when the user enters it and the file's stamp has changed since the last load, unless the
// editor holds edits not yet saved: those are never replaced behind the user's back.

#include <cstdint>
#include <optional>
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
    // unless it is missing, its stamp equals `age` or the editor holds unsaved edits; `age`
    // then takes the new stamp. When the file's text equals the editor's, the editor is left
    // alone (caret, undo). Throws FileError when the file cannot be read.
    void Load(const std::string& fileName, std::int32_t& age);

    // Saving is two steps, so that no question is open while the caller holds the diary's
    // lock. First: when the file named exactly `fileName` changed on disk since the tab
    // loaded or saved it, asks whether to overwrite it; the file's signature as accepted, or
    // nothing when the user declined.
    std::optional<std::string> ConfirmSave(const std::string& fileName);
    // Then, unless the file changed again since `confirmed` (false), keeps a backup of it
    // (`backupCount` copies) and writes the editor's text into it, byte for byte. Throws
    // FileError.
    bool SaveIfUnchanged(const std::string& fileName, int backupCount,
                         const std::string& confirmed);

    // True while the editor holds edits that were not saved.
    bool IsModified() const;
    // Forgets the edits: the next Load replaces the text again.
    void DiscardEdits();

    QPlainTextEdit* Editor;
    QPushButton* SaveButton;

private:
    std::string signature_;  // the file as the editor last loaded or saved it
};

}  // namespace Sumirel
