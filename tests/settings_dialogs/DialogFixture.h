#pragma once
// What both dialogs' tests share: a temporary folder that is also the current folder (the
// default data files lie there), the scripted message boxes and file dialogs, and showing a
// dialog the way the main window does, without a modal loop that would block the test.

#include <QDialog>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "support/FakeDialogs.h"
#include "support/TempDir.h"

namespace SumirelTest {

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class DialogFixture {
public:
    void SetUp() {
        dir = std::make_unique<TempDir>();
        dialogs = std::make_unique<FakeDialogs>();
        startFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(dir->Path());
        ini = dir->File("sumirel.ini");
    }

    void TearDown() {
        std::filesystem::current_path(startFolder_);
        dialogs.reset();
        dir.reset();
    }

    // Shows the dialog, which reads the settings file, and gives it the keyboard.
    static void Open(QDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) {
            qWarning("dialog not active");
        }
    }

    // What the application's error display records for an error with this text.
    static QString Error(const QString& text) { return QStringLiteral("error[Sumirel]:") + text; }

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<FakeDialogs> dialogs;
    std::string ini;

private:
    std::filesystem::path startFolder_;
};

}  // namespace SumirelTest
