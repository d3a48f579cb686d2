#include "platform/widgets/PreviewView.h"

#include <QUrl>

#ifdef SUMIREL_HAVE_WEBENGINE
#include <QWebEngineView>
#else
#include <QFileInfo>
#include <QTextBrowser>

#include "platform/FileIO.h"
#include "platform/qt/ShiftJisCodec.h"
#endif

namespace Sumirel {

namespace {

#ifdef SUMIREL_HAVE_WEBENGINE

class WebEnginePreview final : public PreviewView {
public:
    explicit WebEnginePreview(QWidget* parent) : view_(new QWebEngineView(parent)) {}
    QWidget* Widget() override { return view_; }
    void Navigate(const QString& path) override { view_->load(QUrl::fromLocalFile(path)); }

private:
    QWebEngineView* view_;  // owned by its parent widget
};

#else

class TextBrowserPreview final : public PreviewView {
public:
    explicit TextBrowserPreview(QWidget* parent) : view_(new QTextBrowser(parent)) {
        view_->setOpenLinks(false);
    }
    QWidget* Widget() override { return view_; }
    void Navigate(const QString& path) override {
        // Our pages are Shift-JIS; the browser is handed the decoded text, with the page's
        // folder as the base for its pictures and style sheets.
        view_->document()->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + "/"));
        view_->setHtml(FromShiftJis(ReadWholeFile(TextFromNativePath(path.toStdString()))));
    }

private:
    QTextBrowser* view_;
};

#endif

}  // namespace

std::unique_ptr<PreviewView> CreatePreviewView(QWidget* parent) {
#ifdef SUMIREL_HAVE_WEBENGINE
    return std::make_unique<WebEnginePreview>(parent);
#else
    return std::make_unique<TextBrowserPreview>(parent);
#endif
}

bool PreviewUsesWebEngine() {
#ifdef SUMIREL_HAVE_WEBENGINE
    return true;
#else
    return false;
#endif
}

}  // namespace Sumirel
