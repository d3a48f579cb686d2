#pragma once
// A flat tool button that carries a free text besides the object's name, for applications
// that want to attach a string to each button of a toolbar-like row (a file name, a command
// word) and read it back in a shared click handler.

#include <QString>
#include <QToolButton>

namespace Sumirel {

class TAnoSpeedButton : public QToolButton {
    Q_OBJECT
    // Stored with the form, so a text typed in the form designer reaches the application.
    Q_PROPERTY(QString StrTag READ StrTag WRITE SetStrTag DESIGNABLE true STORED true)

public:
    explicit TAnoSpeedButton(QWidget* parent = nullptr);
    ~TAnoSpeedButton() override;

    QString StrTag() const { return strTag_; }
    void SetStrTag(const QString& text) { strTag_ = text; }

private:
    QString strTag_;
};

}  // namespace Sumirel
