#include "shell/AboutUnit.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <functional>

#include "Version.h"
#include "platform/FileIO.h"
#include "platform/widgets/FormStyle.h"
#include "platform/widgets/UserDialogs.h"
#include "settings/SettingsPlace.h"

namespace Sumirel {

namespace {

constexpr char kAuthorMail[] = "mailto:author@sumirel.example";
constexpr char kWebSite[] = "https://sumirel.example/";
constexpr char kSupportMail[] = "mailto:support@sumirel.example";

// A label that looks and acts like a link: blue, underlined, a hand cursor, a click.
class LinkLabel : public QLabel {
public:
    LinkLabel(const QString& text, std::function<void()> onClick, QWidget* parent)
        : QLabel(text, parent), onClick_(std::move(onClick)) {
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, Qt::blue);
        setPalette(p);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            onClick_();
        }
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

QIcon ProgramIconImage() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A violet with five petals around a yellow heart.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x7b, 0x4f, 0xb3));
    for (int i = 0; i < 5; ++i) {
        painter.save();
        painter.translate(32, 32);
        painter.rotate(72.0 * i);
        painter.drawEllipse(QRectF(-10, -30, 20, 26));
        painter.restore();
    }
    painter.setBrush(QColor(0xf2, 0xc9, 0x4c));
    painter.drawEllipse(QRectF(25, 25, 14, 14));
    return QIcon(pixmap);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle(QString::fromUtf8("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(ProgramIconImage().pixmap(48, 48));
    ProgramIcon->setGeometry(16, 16, 48, 48);
    ProductName = new QLabel(QStringLiteral("Sumirel"), this);
    QFont big = ProductName->font();
    big.setPixelSize(18);
    big.setBold(true);
    ProductName->setFont(big);
    ProductName->setGeometry(80, 16, 200, 24);
    Version = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersion), this);
    Version->setGeometry(80, 44, 200, 18);
    Copyright = new QLabel(QStringLiteral("Released ") + QString::fromLatin1(kReleaseDate), this);
    Copyright->setGeometry(80, 64, 200, 18);

    Label1 = new LinkLabel(
        QString::fromLatin1(kAuthorMail + 7), [this] { Label1Click(); }, this);
    Label1->setGeometry(16, 96, 260, 18);
    Label2 = new LinkLabel(
        QString::fromLatin1(kWebSite), [this] { Label2Click(); }, this);
    Label2->setGeometry(16, 118, 260, 18);
    Label3 = new LinkLabel(
        QString::fromLatin1(kSupportMail + 7), [this] { Label3Click(); }, this);
    Label3->setGeometry(16, 140, 260, 18);

    // Which settings file is in use: beside the program, or the installed user's own.
    SettingsFile = new QLabel(QString::fromUtf8("設定ファイル: ") +
                                  QString::fromStdString(NativePath(SettingsFileName()).string()),
                              this);
    SettingsFile->setWordWrap(true);
    SettingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SettingsFile->setGeometry(16, 166, 260, 36);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    OKButton->setGeometry(106, 210, 80, 27);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(292, 250);
    CentreOnScreen(*this);
}

void TAboutBox::Label1Click() {
    Dialogs().OpenExternal(QUrl(QString::fromLatin1(kAuthorMail)));
}

void TAboutBox::Label2Click() {
    Dialogs().OpenExternal(QUrl(Label2->text()));
}

void TAboutBox::Label3Click() {
    Dialogs().OpenExternal(QUrl(QString::fromLatin1(kSupportMail)));
}

}  // namespace Sumirel
