#pragma once
// A preview that only records where it was told to go.

#include <QStringList>
#include <QWidget>

#include "platform/widgets/PreviewView.h"

namespace SumirelTest {

class FakePreview : public Sumirel::PreviewView {
public:
    FakePreview(QWidget* parent, QStringList& log) : widget_(new QWidget(parent)), log_(log) {}
    QWidget* Widget() override { return widget_; }
    void Navigate(const QString& path) override { log_ << path; }

private:
    QWidget* widget_;
    QStringList& log_;
};

}  // namespace SumirelTest
