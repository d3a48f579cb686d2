// The windows' layouts as a user meets them: nothing cut, nothing overlapping, captions on
// their fields' baseline, Qt's own texts in Japanese, no title-bar buttons a fixed window
// cannot honour. The program runs twice, once at QT_SCALE_FACTOR=2.

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/widgets/SumirelApplication.h"
#include "platform/widgets/UserDialogs.h"
#include "publish/window/UpdateUnit.h"
#include "settings/dialogs/FTPUnit.h"
#include "settings/dialogs/Unit2.h"
#include "shell/AboutUnit.h"
#include "support/FakeDialogs.h"
#include "shell/FakePreview.h"
#include "shell/Unit1.h"
#include "support/LayoutCheck.h"
#include "support/TempDir.h"

using SumirelTest::LayoutFaults;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Twice the form font's 13 pixels: a font whose lines are much taller than designed.
constexpr int kLargeFontPixels = 26;

void Enlarge(QWidget& window) {
    QFont font = window.font();
    font.setPixelSize(kLargeFontPixels);
    window.setFont(font);
}

void ShowAndSettle(QWidget& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
}

void ResizeAndSettle(QWidget& window, QSize size) {
    window.resize(size);
    QApplication::processEvents();
}

// The topmost row of `area` in `image` that holds a dark pixel (text), or -1.
int InkTop(const QImage& image, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 96) {
                return y;
            }
        }
    }
    return -1;
}

enum class Size { Initial, Minimum, Wide };

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SumirelTest::TempDir> dir;
    std::unique_ptr<SumirelTest::FakeDialogs> dialogs;
    QStringList navigations;
    std::filesystem::path startFolder;

    std::unique_ptr<Sumirel::TSumirelForm> MainWindow() {
        auto form = std::make_unique<Sumirel::TSumirelForm>([this](QWidget* parent) {
            return std::make_unique<SumirelTest::FakePreview>(parent, navigations);
        });
        form->IniFileName = dir->File("sumirel.ini");
        return form;
    }

    void AddSizes(const char* window) {
        for (bool large : {false, true}) {
            for (auto [size, name] : {std::pair{Size::Initial, "initial size"},
                                      {Size::Minimum, "minimum size"},
                                      {Size::Wide, "wide"}}) {
                QTest::addRow("%s, %s font, %s", window, large ? "large" : "form", name)
                    << QString(window) << large << int(size);
            }
        }
    }

private slots:
    void init() {
        dir = std::make_unique<SumirelTest::TempDir>();
        dialogs = std::make_unique<SumirelTest::FakeDialogs>();
        startFolder = std::filesystem::current_path();
        std::filesystem::current_path(dir->Path());
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString((dir->Path() / "state").string()));
    }

    void cleanup() {
        std::filesystem::current_path(startFolder);
        dialogs.reset();
        dir.reset();
    }

    // The checker itself finds what it is there to find.
    void checkerFindsFaults() {
        QDialog window;
        window.resize(300, 200);
        auto* group = new QGroupBox(U("ファイル"), &window);
        group->setGeometry(10, 10, 200, 100);
        (new QLabel(U("日記ファイル名"), group))->setGeometry(0, 0, 120, 20);  // on the caption
        auto* a = new QPushButton("A", &window);
        a->setObjectName("A");
        a->setGeometry(10, 150, 80, 30);
        auto* b = new QPushButton("B", &window);
        b->setObjectName("B");
        b->setGeometry(60, 150, 80, 30);  // over A
        auto* squeezed = new QLineEdit(&window);
        squeezed->setObjectName("Squeezed");
        squeezed->setGeometry(220, 10, 60, 6);
        ShowAndSettle(window);
        const QString faults = LayoutFaults(window).join('\n');
        QVERIFY2(faults.contains("QLabel at 0,0 120x20 leaves QGroupBox"), qPrintable(faults));
        QVERIFY2(faults.contains("A at 10,150 80x30 overlaps B"), qPrintable(faults));
        QVERIFY2(faults.contains("Squeezed is 60x6, below its minimum"), qPrintable(faults));
    }

    void settingsDialogs_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("size");
        AddSizes("設定");
        AddSizes("FTP設定");
    }

    void settingsDialogs() {
        QFETCH(QString, window);
        QFETCH(bool, large);
        QFETCH(int, size);
        std::unique_ptr<QDialog> dialog;
        QLineEdit* path = nullptr;
        if (window == U("設定")) {
            auto form = std::make_unique<Sumirel::TSettingForm>(nullptr, dir->File("sumirel.ini"));
            path = form->DiaryFileNameEdit;
            dialog = std::move(form);
        } else {
            auto form =
                std::make_unique<Sumirel::TFTPSettingForm>(nullptr, dir->File("sumirel.ini"));
            path = form->DefaultDirEdit;
            dialog = std::move(form);
        }
        if (large) {
            Enlarge(*dialog);
        }
        ShowAndSettle(*dialog);
        const int initialWidth = path->width();
        if (size == int(Size::Minimum)) {
            ResizeAndSettle(*dialog, dialog->minimumSizeHint());
            QCOMPARE(dialog->size(), dialog->minimumSizeHint());
        } else if (size == int(Size::Wide)) {
            ResizeAndSettle(*dialog, dialog->size() + QSize(400, 200));
            QCOMPARE(path->width(), initialWidth + 400);  // the path widens with the dialog
        }
        const QStringList faults = LayoutFaults(*dialog);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    void mainWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("size");
        AddSizes("Sumirel");
    }

    // Every tab at the form font; the entry tab, whose controls follow the font, also at a
    // large one (the editor tabs keep their designed buttons).
    void mainWindow() {
        QFETCH(bool, large);
        QFETCH(int, size);
        auto form = MainWindow();
        if (large) {
            Enlarge(*form);
        }
        ShowAndSettle(*form);
        if (size == int(Size::Minimum)) {
            ResizeAndSettle(*form, form->minimumSizeHint());
            QCOMPARE(form->size(), form->minimumSizeHint());
        } else if (size == int(Size::Wide)) {
            ResizeAndSettle(*form, form->size() + QSize(300, 200));
        }
        for (int tab = 0; tab < (large ? 1 : form->PageControl->count()); ++tab) {
            form->PageControl->setCurrentIndex(tab);
            QApplication::processEvents();
            const QStringList faults = LayoutFaults(*form);
            QVERIFY2(faults.isEmpty(),
                     qPrintable(QStringLiteral("tab %1:\n").arg(tab) + faults.join('\n')));
        }
    }

    // Each caption's text stands as high as the same text in its field.
    void captionsOnTheirFieldsBaseline() {
        auto form = MainWindow();
        ShowAndSettle(*form);
        for (auto [caption, field] : {std::pair{form->Label1, form->DateEdit},
                                      {form->Label2, form->WheatherEdit},
                                      {form->Label3, form->TitleEdit}}) {
            field->setText(caption->text().left(2));
            field->setCursorPosition(0);
            field->deselect();
        }
        form->ContentsEdit->setFocus();
        QApplication::processEvents();
        const QImage image = form->MainSheet->grab().toImage();
        const qreal scale = image.devicePixelRatio();
        auto area = [scale](const QWidget* w, int inset) {
            const QRect r = w->geometry().adjusted(inset, inset, -inset, -inset);
            return QRect((r.topLeft() * scale), (r.size() * scale));
        };
        for (auto [caption, field] : {std::pair{form->Label1, form->DateEdit},
                                      {form->Label2, form->WheatherEdit},
                                      {form->Label3, form->TitleEdit}}) {
            const int label = InkTop(image, area(caption, 0));
            const int text = InkTop(image, area(field, 3));
            QVERIFY2(label >= 0 && text >= 0, qPrintable(caption->objectName()));
            QVERIFY2(std::abs(label - text) <= scale,
                     qPrintable(QStringLiteral("%1 at %2, its field's text at %3")
                                    .arg(caption->objectName())
                                    .arg(label)
                                    .arg(text)));
        }
    }

    void messageBoxFitsItsTitle() {
        QMessageBox box(QMessageBox::Question, U("警告"), U("空です"),
                        QMessageBox::Yes | QMessageBox::No);
        Sumirel::FitMessageBoxToTitle(box);
        ShowAndSettle(box);
        const int title = box.fontMetrics().horizontalAdvance(U("警告 — Sumirel"));
        QVERIFY2(box.width() >= title + 100, qPrintable(QString::number(box.width())));
        // Qt's own texts are Japanese.
        QCOMPARE(box.button(QMessageBox::Yes)->text(), U("はい(&Y)"));
        QCOMPARE(box.button(QMessageBox::No)->text(), U("いいえ(&N)"));
        const QStringList faults = LayoutFaults(box);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    // The window manager is asked for no minimise or maximise button, and a fixed window
    // keeps its size.
    void titleBarButtons() {
        Sumirel::TAboutBox about;
        Sumirel::TUpdateForm upload;
        Sumirel::TSettingForm settings(nullptr, dir->File("sumirel.ini"));
        Sumirel::TFTPSettingForm ftp(nullptr, dir->File("sumirel.ini"));
        for (QWidget* w : std::initializer_list<QWidget*>{&about, &upload, &settings, &ftp}) {
            const Qt::WindowFlags flags = w->windowFlags();
            QVERIFY2(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)),
                     qPrintable(w->windowTitle()));
        }
        for (QWidget* w : std::initializer_list<QWidget*>{&about, &upload}) {
            QCOMPARE(w->minimumSize(), w->maximumSize());
        }
        QVERIFY(!(upload.windowFlags() & Qt::WindowCloseButtonHint));
    }
};

int main(int argc, char** argv) {
    Sumirel::SumirelApplication app(argc, argv);
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LayoutTest.moc"
