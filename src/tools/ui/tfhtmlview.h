// The preview window TfHtmlView: the current document rendered as a browser shows it,
// unsaved changes included, with its refresh, image and stay-on-top switches.
#pragma once

#include "tools/previewlayout.h"
#include "tools/previewserver.h"

#include <QMainWindow>
#include <QPoint>
#include <QTimer>
#include <QUrl>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QToolBar;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace velloran {

class PreviewHost;
class PreviewSchemeHandler;

class TfHtmlView : public QMainWindow {
    Q_OBJECT
public:
    // Takes its place from the current layout's "HTMLView" section; starts the engine.
    explicit TfHtmlView(PreviewHost& host);
    ~TfHtmlView() override;

    // Renders the current document from the top; nothing when none is open.
    void Refresh();
    // Shows a picture file on its own.
    void ShowImageFile(const std::string& fileName);
    // Size, place, then the window state.
    void applyPlacement(const PreviewPlacement& placement);
    [[nodiscard]] PreviewPlacement placement() const;
    // The host reports every edit; with "Live" on, a page that shows this document
    // renders again once typing pauses.
    void documentEdited(const std::string& fileName);
    // Whether the last render asked for has not finished loading yet.
    [[nodiscard]] bool rendering() const noexcept { return m_loading.has_value(); }

    QToolBar* tbHtmlView = nullptr;
    QAction* sbRefresh = nullptr;
    QAction* sbViewImg = nullptr;
    QAction* sbStayOnTop = nullptr;
    QAction* sbLive = nullptr;
    QWebEngineView* htmlview = nullptr;
    QLabel* StatusLine = nullptr; // the link under the mouse, or an open comment
    static constexpr int kLiveDelayMs = 300;

signals:
    // A render has finished loading, scroll position restored where Live kept it.
    void rendered(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void applyEngineSettings();
    void render(const PreviewDocument& document);
    [[nodiscard]] std::optional<PreviewDocument> pageDocument() const;
    void liveRefresh();
    void load(const QUrl& url);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void pageLoaded(bool ok);
    void sbViewImgClick();
    void sbStayOnTopClick();
    void hotSpot(const QString& url);

    PreviewHost& m_host;
    PreviewServer m_server;
    QWebEngineProfile* m_profile = nullptr;
    QWebEnginePage* m_page = nullptr;
    PreviewSchemeHandler* m_handler = nullptr;
    QTimer m_liveTimer;
    std::optional<QPoint> m_keepScroll;
    std::optional<QUrl> m_loading; // the render under way
    QString m_pageMessage;         // what the status line says while no link is under the mouse
    unsigned m_render = 0;         // counts renders, for their addresses
};

} // namespace velloran
