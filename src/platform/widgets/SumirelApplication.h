#pragma once
// The application object: an exception that escapes a command is shown in an error box and
// the application runs on, instead of unwinding through Qt's event loop.

#include <QApplication>

namespace Sumirel {

class SumirelApplication : public QApplication {
public:
    SumirelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of the exception being handled; used by notify() and by main().
    static void ShowCurrentException();
};

}  // namespace Sumirel
