#pragma once
// The help: a window of our own on the help file, so that F1 works on every desktop and
// without one (no desktop opens an HTML file named ".hlp" by itself).

#include <QUrl>
#include <QWidget>
#include <string>

class QTextBrowser;

namespace Sumirel {

// The help file: "sumirel.hlp" beside the executable (a build folder, a portable set-up),
// else share/sumirel/sumirel.hlp of the prefix the executable is installed in. Empty when
// neither exists.
std::string HelpFileName();

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(const QUrl& helpFile, QWidget* parent = nullptr);

    // A link of the help: a place in a help page is shown here, anything else (a web
    // address, a mail link) goes to the desktop.
    void OpenLink(const QUrl& link);

    QTextBrowser* Browser;
};

// Shows the help window beside `owner`, raising the one already open; says so when there is
// no help file.
void ShowHelp(QWidget* owner);

}  // namespace Sumirel
