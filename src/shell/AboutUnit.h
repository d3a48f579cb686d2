#pragma once
// The About box: program icon, name, version, release date, two mail links, the web site and
// the settings file in use.

#include <QDialog>

class QLabel;
class QPushButton;

namespace Sumirel {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void Label1Click();
    void Label2Click();
    void Label3Click();

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Label1;  // mail to the author
    QLabel* Label2;  // the web site; its text is the address
    QLabel* Label3;  // mail for support
    QLabel* SettingsFile;
    QPushButton* OKButton;
};

// The program's icon, drawn rather than shipped as a file.
QIcon ProgramIconImage();

}  // namespace Sumirel
