// Both dialogs' tests in one program, under the application object the dialogs expect: it
// shows the errors they raise through the installed message boxes.

#include "platform/widgets/SumirelApplication.h"

int RunSettingFormTests(int argc, char** argv);
int RunFTPSettingFormTests(int argc, char** argv);

int main(int argc, char** argv) {
    Sumirel::SumirelApplication app(argc, argv);
    const int settings = RunSettingFormTests(argc, argv);
    const int ftp = RunFTPSettingFormTests(argc, argv);
    return settings != 0 || ftp != 0 ? 1 : 0;
}
