#pragma once
// The preview's view: something that can be told to show a local HTML file by its path and
// then loads and draws it on its own. Qt WebEngine when the build found it, else a
// QTextBrowser given the decoded page.

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace Sumirel {

class PreviewView {
public:
    virtual ~PreviewView() = default;
    virtual QWidget* Widget() = 0;
    virtual void Navigate(const QString& path) = 0;
};

using PreviewFactory = std::function<std::unique_ptr<PreviewView>(QWidget* parent)>;

std::unique_ptr<PreviewView> CreatePreviewView(QWidget* parent);

// True when the preview is drawn by Qt WebEngine.
bool PreviewUsesWebEngine();

}  // namespace Sumirel
