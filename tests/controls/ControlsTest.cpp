#include <QBuffer>
#include <QCheckBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QtMath>
#include <memory>

#include "controls/Anospeedbutton.h"
#include "controls/Checkgroupbox.h"

#ifdef SUMIREL_HAVE_FORM_BUILDER
#include <QFormBuilder>
#ifdef SUMIREL_DESIGNER_PLUGIN
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#endif
#endif

using Sumirel::TAnoSpeedButton;
using Sumirel::TCheckGroupBox;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The word that reading Caption gives.
const QString kFixedCaption = QStringLiteral("CheckGroup");

// The width a caption needs as the user sees it, in the application's default font.
int ShownWidth(const QString& shown) {
    return qCeil(QFontMetricsF(QGuiApplication::font()).horizontalAdvance(shown));
}

#ifdef SUMIREL_HAVE_FORM_BUILDER
// A form loader that knows our classes, as an application that loads forms at run time
// would write it. It saves forms too (QFormBuilder::save).
class ControlsFormBuilder : public QFormBuilder {
public:
    ControlsFormBuilder() { setPluginPath({}); }

protected:
    using QFormBuilder::createDom;

    // The group box's own check box is part of the control, not of the form.
    DomWidget* createDom(QWidget* widget, DomWidget* parent, bool recursive) override {
        auto* box = qobject_cast<TCheckGroupBox*>(widget->parentWidget());
        if (box && widget == box->CheckBox()) {
            return nullptr;
        }
        return QFormBuilder::createDom(widget, parent, recursive);
    }

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* widget = nullptr;
        if (className == QLatin1String("Sumirel::TAnoSpeedButton")) {
            widget = new TAnoSpeedButton(parent);
        } else if (className == QLatin1String("Sumirel::TCheckGroupBox")) {
            widget = new TCheckGroupBox(parent);
        } else {
            return QFormBuilder::createWidget(className, parent, name);
        }
        widget->setObjectName(name);
        return widget;
    }
};

std::unique_ptr<QWidget> LoadForm(QFormBuilder& builder, const QByteArray& ui) {
    QBuffer buffer;
    buffer.setData(ui);
    buffer.open(QIODevice::ReadOnly);
    return std::unique_ptr<QWidget>(builder.load(&buffer));
}

QtMessageHandler previousHandler = nullptr;

// QFormBuilder warns about every enumeration property it cannot write; none of ours is one.
void DropUnwritableWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (!message.contains(QLatin1String("is not supported yet"))) {
        previousHandler(type, context, message);
    }
}

QByteArray SaveForm(QWidget* form) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    previousHandler = qInstallMessageHandler(DropUnwritableWarnings);
    ControlsFormBuilder().save(&buffer, form);
    qInstallMessageHandler(previousHandler);
    return buffer.data();
}

// A form as Designer writes one, with a frame title and a Caption stored for the group box.
const QByteArray kStoredForm = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>200</height></rect></property>
  <widget class="Sumirel::TAnoSpeedButton" name="openButton">
   <property name="geometry"><rect><x>10</x><y>10</y><width>23</width><height>22</height></rect></property>
   <property name="StrTag"><string>open-file</string></property>
  </widget>
  <widget class="Sumirel::TCheckGroupBox" name="optionsBox">
   <property name="geometry"><rect><x>10</x><y>40</y><width>185</width><height>105</height></rect></property>
   <property name="title"><string>Stored title</string></property>
   <property name="Caption"><string>Stored caption</string></property>
  </widget>
 </widget>
</ui>
)";
#endif

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private slots:
    void newCheckGroupBoxShowsDefaultCaption() {
        const QCheckBox probe;  // a check box as Qt makes it, for its natural height
        QWidget form;
        auto* box = new TCheckGroupBox(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QCheckBox* check = box->CheckBox();
        QVERIFY(check);
        QCOMPARE(check->parentWidget(), box);
        QCOMPARE(check->geometry(), QRect(7, -1, probe.sizeHint().height(), 21));
        QCOMPARE(check->text(), QStringLiteral("aa"));
        QVERIFY(check->isVisible());
        QCOMPARE(box->title(), QString());
        QCOMPARE(box->property("Caption").toString(), kFixedCaption);
    }

    void changeCaptionFitsMeasuredText_data() {
        QTest::addColumn<QString>("previous");  // caption given first, empty for none
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");  // what the user reads on the check box

        const QString longCaption = QStringLiteral("A caption much longer than the default");
        QTest::newRow("widens from the default") << QString() << longCaption << longCaption;
        QTest::newRow("narrows after a long one") << longCaption << "On"
                                                  << "On";
        QTest::newRow("Japanese") << QString() << U("日記を有効にする") << U("日記を有効にする");
        QTest::newRow("mnemonic marker is not measured") << longCaption << "&Enable"
                                                         << "Enable";
        QTest::newRow("doubled ampersand is one") << QString() << "Fish && Chips"
                                                  << "Fish & Chips";
        QTest::newRow("widest of two lines") << QString() << "short\nthe longer line"
                                             << "the longer line";
    }

    void changeCaptionFitsMeasuredText() {
        QFETCH(QString, previous);
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        TCheckGroupBox box;
        box.setTitle(QStringLiteral("frame title"));
        if (!previous.isEmpty()) {
            box.ChangeCaption(previous);
        }
        box.ChangeCaption(caption);

        QCheckBox* check = box.CheckBox();
        QCOMPARE(check->text(), caption);
        QCOMPARE(check->width(), ShownWidth(shown) + 10);
        QCOMPARE(check->pos(), QPoint(7, -1));
        QCOMPARE(check->height(), 21);
        QCOMPARE(box.title(), QString());
        QCOMPARE(box.property("Caption").toString(), kFixedCaption);
    }

    void captionIsMeasuredInTheDefaultFontWithTabsExpanded() {
        TCheckGroupBox box;
        QFont big = box.CheckBox()->font();
        big.setPixelSize(48);
        box.CheckBox()->setFont(big);
        box.ChangeCaption(QStringLiteral("Enable"));
        QCOMPARE(box.CheckBox()->width(), ShownWidth(QStringLiteral("Enable")) + 10);

        // A tab reaches the next tab stop, far wider than a blank.
        box.ChangeCaption(QStringLiteral("a\tb"));
        QVERIFY2(box.CheckBox()->width() > ShownWidth(QStringLiteral("a    b")) + 10,
                 qPrintable(QString::number(box.CheckBox()->width())));
    }

    void captionIgnoresWrites() {
        TCheckGroupBox box;
        QVERIFY(box.setProperty("Caption", QStringLiteral("written")));
        box.SetText(QStringLiteral("written directly"));
        QCOMPARE(box.property("Caption").toString(), kFixedCaption);
        QCOMPARE(box.GetText(), kFixedCaption);
        QCOMPARE(box.CheckBox()->text(), QStringLiteral("aa"));
        QCOMPARE(box.title(), QString());

        box.ChangeCaption(QStringLiteral("Shown"));
        QCOMPARE(box.GetText(), kFixedCaption);
    }

    void frameTitleClearedBeforeFirstShow() {
        QWidget form;
        auto* box = new TCheckGroupBox(&form);
        box->setTitle(QStringLiteral("set by generated form code"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(box->title(), QString());
    }

    void checkBoxDestroyedOnceWithItsGroupBox_data() {
        QTest::addColumn<bool>("onForm");
        QTest::addColumn<bool>("shown");
        QTest::newRow("group box alone") << false << false;
        QTest::newRow("with the form holding it") << true << false;
        QTest::newRow("with a shown form") << true << true;
    }

    void checkBoxDestroyedOnceWithItsGroupBox() {
        QFETCH(bool, onForm);
        QFETCH(bool, shown);
        auto form = std::make_unique<QWidget>();
        auto* box = new TCheckGroupBox(onForm ? form.get() : nullptr);
        if (shown) {
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        }
        QSignalSpy checkBoxGone(box->CheckBox(), &QObject::destroyed);
        QSignalSpy boxGone(box, &QObject::destroyed);
        if (onForm) {
            form.reset();
        } else {
            delete box;
        }
        QCOMPARE(checkBoxGone.count(), 1);
        QCOMPARE(boxGone.count(), 1);
    }

    void groupBoxSurvivesLosingItsCheckBox() {
        auto box = std::make_unique<TCheckGroupBox>();
        QSignalSpy checkBoxGone(box->CheckBox(), &QObject::destroyed);
        delete box->CheckBox();
        QCOMPARE(box->CheckBox(), nullptr);
        box->ChangeCaption(QStringLiteral("no check box"));
        box->WAdjustSize(QStringLiteral("no check box"));
        QCOMPARE(box->title(), QString());
        box.reset();
        QCOMPARE(checkBoxGone.count(), 1);
    }

    void newSpeedButtonIsFlatWithEmptyTag() {
        TAnoSpeedButton button;
        QVERIFY(button.autoRaise());
        QCOMPARE(button.StrTag(), QString());
        QCOMPARE(button.property("StrTag").toString(), QString());
        QVERIFY(button.setProperty("StrTag", QStringLiteral("tag")));
        QCOMPARE(button.StrTag(), QStringLiteral("tag"));
    }

#ifdef SUMIREL_HAVE_FORM_BUILDER
    void strTagSurvivesSavedForm_data() {
        QTest::addColumn<QString>("tag");
        QTest::newRow("empty") << QString();
        QTest::newRow("plain") << "open-file";
        QTest::newRow("Japanese") << U("日記を開く");
        QTest::newRow("markup characters") << R"(<a href="x">&amp;</a> ]]>)";
        QTest::newRow("blanks around and inside") << "  two  blanks  ";
        QTest::newRow("line break") << "first\nsecond";
    }

    void strTagSurvivesSavedForm() {
        QFETCH(QString, tag);
        QWidget form;
        form.setObjectName(QStringLiteral("Form"));
        auto* button = new TAnoSpeedButton(&form);
        button->setObjectName(QStringLiteral("tagButton"));
        button->SetStrTag(tag);

        const QByteArray ui = SaveForm(&form);
        QVERIFY2(ui.contains("StrTag"), ui.constData());
        ControlsFormBuilder builder;
        const std::unique_ptr<QWidget> loaded = LoadForm(builder, ui);
        QVERIFY2(loaded, qPrintable(builder.errorString()));
        auto* again = loaded->findChild<TAnoSpeedButton*>(QStringLiteral("tagButton"));
        QVERIFY(again);
        QCOMPARE(again->StrTag(), tag);
    }

    void savedGroupBoxReloadsWithOneCheckBox() {
        QWidget form;
        form.setObjectName(QStringLiteral("Form"));
        auto* box = new TCheckGroupBox(&form);
        box->setObjectName(QStringLiteral("optionsBox"));
        box->ChangeCaption(QStringLiteral("Options"));

        const QByteArray ui = SaveForm(&form);
        ControlsFormBuilder builder;
        const std::unique_ptr<QWidget> loaded = LoadForm(builder, ui);
        QVERIFY2(loaded, qPrintable(builder.errorString()));
        auto* again = loaded->findChild<TCheckGroupBox*>(QStringLiteral("optionsBox"));
        QVERIFY(again);
        QCOMPARE(again->findChildren<QCheckBox*>().size(), 1);
    }

    void storedCaptionAndTitleChangeNothing() {
        ControlsFormBuilder builder;
        const std::unique_ptr<QWidget> form = LoadForm(builder, kStoredForm);
        QVERIFY2(form, qPrintable(builder.errorString()));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        auto* box = form->findChild<TCheckGroupBox*>(QStringLiteral("optionsBox"));
        QVERIFY(box);
        QCOMPARE(box->title(), QString());
        QCOMPARE(box->property("Caption").toString(), kFixedCaption);
        QCOMPARE(box->CheckBox()->text(), QStringLiteral("aa"));
        QCOMPARE(box->findChildren<QCheckBox*>().size(), 1);
    }

#ifdef SUMIREL_DESIGNER_PLUGIN
    void pluginOffersBothControlsOnSamples_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<bool>("container");
        QTest::newRow("speed button") << "Sumirel::TAnoSpeedButton" << false;
        QTest::newRow("check group box") << "Sumirel::TCheckGroupBox" << true;
    }

    void pluginOffersBothControlsOnSamples() {
        QFETCH(QString, className);
        QFETCH(bool, container);
        QPluginLoader loader(QStringLiteral(SUMIREL_DESIGNER_PLUGIN));
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        auto* collection =
            qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
        QVERIFY(collection);
        QCOMPARE(collection->customWidgets().size(), 2);

        QDesignerCustomWidgetInterface* control = nullptr;
        for (QDesignerCustomWidgetInterface* candidate : collection->customWidgets()) {
            if (candidate->name() == className) {
                control = candidate;
            }
        }
        QVERIFY(control);
        QCOMPARE(control->group(), QStringLiteral("Samples"));
        QCOMPARE(control->isContainer(), container);
        QVERIFY2(
            QFileInfo::exists(QStringLiteral(SUMIREL_SOURCE_DIR "/src/") + control->includeFile()),
            qPrintable(control->includeFile()));

        QWidget parent;
        QWidget* made = control->createWidget(&parent);
        QVERIFY(made);
        QCOMPARE(QString::fromLatin1(made->metaObject()->className()), className);
        QCOMPARE(made->parentWidget(), &parent);

        // The widget a drop from the widget box creates: our class, with a usable size.
        QFormBuilder builder;
        builder.setPluginPath({QFileInfo(QStringLiteral(SUMIREL_DESIGNER_PLUGIN)).path()});
        const std::unique_ptr<QWidget> dropped = LoadForm(builder, control->domXml().toUtf8());
        QVERIFY2(dropped, qPrintable(builder.errorString()));
        QCOMPARE(QString::fromLatin1(dropped->metaObject()->className()), className);
        QVERIFY(dropped->width() > 0 && dropped->height() > 0);
    }

    void formLoaderCreatesControlsThroughPlugin() {
        QFormBuilder builder;
        builder.setPluginPath({QFileInfo(QStringLiteral(SUMIREL_DESIGNER_PLUGIN)).path()});
        const std::unique_ptr<QWidget> form = LoadForm(builder, kStoredForm);
        QVERIFY2(form, qPrintable(builder.errorString()));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        auto* button = form->findChild<TAnoSpeedButton*>(QStringLiteral("openButton"));
        QVERIFY(button);
        QCOMPARE(button->StrTag(), QStringLiteral("open-file"));
        auto* box = form->findChild<TCheckGroupBox*>(QStringLiteral("optionsBox"));
        QVERIFY(box);
        QCOMPARE(box->title(), QString());
        QCOMPARE(box->property("Caption").toString(), kFixedCaption);
    }
#endif
#endif
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
