#pragma once
// A group box whose caption is a check box sitting on the top edge of its frame, so that a
// whole group of controls can be switched on and off by the caption itself.

#include <QGroupBox>
#include <QPointer>
#include <QString>

class QCheckBox;

namespace Sumirel {

class TCheckGroupBox : public QGroupBox {
    Q_OBJECT
    // The frame's caption is the check box's: this property reads one fixed word and ignores
    // writes, so a caption stored in a form or typed in the designer never reaches the frame.
    // Change the visible caption with ChangeCaption.
    Q_PROPERTY(QString Caption READ GetText WRITE SetText)

public:
    explicit TCheckGroupBox(QWidget* parent = nullptr);
    // Destroys the check box, then the group box.
    ~TCheckGroupBox() override;

    // Makes the text the visible caption and sizes the check box to it.
    void ChangeCaption(const QString& text);
    // Sizes the check box to a caption text: the text's width in the application's default
    // font plus 10 pixels. Does nothing once the check box is gone.
    void WAdjustSize(const QString& text);
    // Called once a form description has been read into the control; clears the frame's own
    // title that the form may have set. It runs on the widget's first polish, which every
    // way of building a form (a form loader, code generated from a form, the form designer)
    // reaches before the widget is first shown; a form loader may also call it directly.
    virtual void Loaded();

    // The check box that shows the caption; null after something else destroyed it.
    // QFormBuilder::save writes every child widget, this one too, and loading such a form
    // adds a second check box: a QFormBuilder subclass that saves forms at run time should
    // skip it in createDom. Qt Designer saves only the widgets placed on the form.
    QCheckBox* CheckBox() const;

    virtual QString GetText() const;
    virtual void SetText(const QString& text);

protected:
    bool event(QEvent* event) override;

private:
    QString captionText_;  // the last caption given to the check box
    QPointer<QCheckBox> checkBox_;
};

}  // namespace Sumirel
