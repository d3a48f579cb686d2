// Offers TAnoSpeedButton and TCheckGroupBox in Qt Designer's widget box, on the page
// "Samples", and to form loaders that load custom-widget plugins (QFormBuilder, QUiLoader).

#include <QIcon>
#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "controls/Anospeedbutton.h"
#include "controls/Checkgroupbox.h"

namespace Sumirel {

namespace {

// One control as the designer sees it.
class ControlInterface : public QDesignerCustomWidgetInterface {
public:
    struct Description {
        QString name;
        QString includeFile;
        QString toolTip;
        bool container;
        QString domXml;  // the widget a drop from the widget box creates, with its geometry
        std::function<QWidget*(QWidget*)> create;
    };

    explicit ControlInterface(Description description) : d_(std::move(description)) {}

    QString name() const override { return d_.name; }
    QString group() const override { return QStringLiteral("Samples"); }
    QString toolTip() const override { return d_.toolTip; }
    QString whatsThis() const override { return d_.toolTip; }
    QString includeFile() const override { return d_.includeFile; }
    QIcon icon() const override { return QIcon(); }
    bool isContainer() const override { return d_.container; }
    QString domXml() const override { return d_.domXml; }
    QWidget* createWidget(QWidget* parent) override { return d_.create(parent); }

private:
    Description d_;
};

QString WidgetXml(const QString& className, const QString& objectName, int width, int height) {
    return QStringLiteral(
               "<ui language=\"c++\">\n"
               " <widget class=\"%1\" name=\"%2\">\n"
               "  <property name=\"geometry\">\n"
               "   <rect><x>0</x><y>0</y><width>%3</width><height>%4</height></rect>\n"
               "  </property>\n"
               " </widget>\n"
               "</ui>\n")
        .arg(className, objectName)
        .arg(width)
        .arg(height);
}

}  // namespace

class SamplesControlsCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit SamplesControlsCollection(QObject* parent = nullptr) : QObject(parent) {
        Add({QStringLiteral("Sumirel::TAnoSpeedButton"),
             QStringLiteral("controls/Anospeedbutton.h"),
             QStringLiteral("Flat tool button with a free text tag (StrTag)"), false,
             WidgetXml(QStringLiteral("Sumirel::TAnoSpeedButton"), QStringLiteral("anoSpeedButton"),
                       23, 22),
             [](QWidget* parent) { return new TAnoSpeedButton(parent); }});
        Add({QStringLiteral("Sumirel::TCheckGroupBox"), QStringLiteral("controls/Checkgroupbox.h"),
             QStringLiteral("Group box whose caption is a check box"), true,
             WidgetXml(QStringLiteral("Sumirel::TCheckGroupBox"), QStringLiteral("checkGroupBox"),
                       185, 105),
             [](QWidget* parent) { return new TCheckGroupBox(parent); }});
    }

    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return list_; }

private:
    void Add(ControlInterface::Description description) {
        owned_.push_back(std::make_unique<ControlInterface>(std::move(description)));
        list_.append(owned_.back().get());
    }

    std::vector<std::unique_ptr<ControlInterface>> owned_;
    QList<QDesignerCustomWidgetInterface*> list_;
};

}  // namespace Sumirel

#include "ControlsDesignerPlugin.moc"
