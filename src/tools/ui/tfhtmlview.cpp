// The preview window: toolbar, rendering area and status line over the preview server.
#include "tools/ui/tfhtmlview.h"

#include "platform/errors.h"
#include "platform/inifile.h"
#include "tools/previewhost.h"
#include "tools/ui/previewscheme.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace velloran {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString FontOr(const QString& preferred, const QString& fallback) {
    return QFontDatabase::hasFamily(preferred) ? preferred : fallback;
}

QString SystemSerif() {
    QFont serif(QStringLiteral("serif"));
    serif.setStyleHint(QFont::Serif);
    return QFontInfo(serif).family();
}

} // namespace

TfHtmlView::TfHtmlView(PreviewHost& host) : m_host(host), m_server(host) {
    setObjectName(QStringLiteral("TfHtmlView"));
    setWindowTitle(QStringLiteral("Velloran HTML Viewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    // A profile of its own, kept in memory only, dies with the window.
    m_profile = new QWebEngineProfile(this);
    m_handler = new PreviewSchemeHandler(m_server, this);
    m_profile->installUrlSchemeHandler(kPreviewScheme, m_handler);
    htmlview = new QWebEngineView(this);
    htmlview->setObjectName(QStringLiteral("htmlview"));
    m_page = new QWebEnginePage(m_profile, htmlview);
    htmlview->setPage(m_page);
    setCentralWidget(htmlview);
    buildToolbar();
    StatusLine = new QLabel;
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->addWidget(StatusLine, 1);
    applyEngineSettings();
    connect(m_page, &QWebEnginePage::linkHovered, this, &TfHtmlView::hotSpot);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &TfHtmlView::loadingChanged);
    m_liveTimer.setSingleShot(true);
    m_liveTimer.setInterval(kLiveDelayMs);
    connect(&m_liveTimer, &QTimer::timeout, this, &TfHtmlView::liveRefresh);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    try {
        const IniFile ini(m_host.settingsFileName());
        applyPlacement(
            ReadPreviewPlacement(ini, m_host.layoutSuffix(), area.width(), area.height()));
    } catch (const VelloranError&) {
        // The main window reports an unreadable settings file; the defaults apply here.
        applyPlacement(ReadPreviewPlacement(IniFile(""), "", area.width(), area.height()));
    }
}

TfHtmlView::~TfHtmlView() {
    m_liveTimer.stop();
    // The page must go before its profile, which was made first.
    disconnect(m_page, nullptr, this, nullptr);
    delete htmlview;
    htmlview = nullptr;
    m_page = nullptr;
}

void TfHtmlView::buildToolbar() {
    tbHtmlView = addToolBar(QStringLiteral("HTML Viewer"));
    tbHtmlView->setObjectName(QStringLiteral("tbHtmlView"));
    tbHtmlView->setMovable(false);
    const auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* action = tbHtmlView->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        return action;
    };
    sbRefresh = button("sbRefresh", QStringLiteral("Refresh"), QStringLiteral("Refresh"));
    sbRefresh->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    sbRefresh->setShortcut(QKeySequence::Refresh);
    connect(sbRefresh, &QAction::triggered, this, &TfHtmlView::Refresh);
    sbViewImg = button("sbViewImg", QStringLiteral("img"), QStringLiteral("View Images"));
    sbViewImg->setCheckable(true);
    sbViewImg->setChecked(true);
    connect(sbViewImg, &QAction::triggered, this, &TfHtmlView::sbViewImgClick);
    sbStayOnTop = button("sbStayOnTop", QStringLiteral("Top"), QStringLiteral("Stay On Top"));
    sbStayOnTop->setCheckable(true);
    connect(sbStayOnTop, &QAction::triggered, this, &TfHtmlView::sbStayOnTopClick);
    sbLive = button("sbLive", QStringLiteral("Live"), QStringLiteral("Refresh While Typing"));
    sbLive->setCheckable(true);
}

void TfHtmlView::applyEngineSettings() {
    QWebEngineSettings* settings = m_page->settings();
    const QString proportional = FontOr(QStringLiteral("Times New Roman"), SystemSerif());
    settings->setFontFamily(QWebEngineSettings::StandardFont, proportional);
    settings->setFontFamily(QWebEngineSettings::SerifFont, proportional);
    settings->setFontFamily(QWebEngineSettings::FixedFont,
                            FontOr(QStringLiteral("Courier New"),
                                   QFontDatabase::systemFont(QFontDatabase::FixedFont).family()));
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
}

void TfHtmlView::applyPlacement(const PreviewPlacement& placement) {
    setWindowState(Qt::WindowNoState);
    setGeometry(placement.left, placement.top, placement.width, placement.height);
    if (placement.state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (placement.state == 1)
        setWindowState(Qt::WindowMinimized);
}

PreviewPlacement TfHtmlView::placement() const {
    // The client rectangle, as the main window keeps its own.
    const QRect client = geometry();
    return {client.width(), client.height(), client.y(), client.x(),
            isMaximized()   ? 2
            : isMinimized() ? 1
                            : 0};
}

void TfHtmlView::Refresh() {
    if (!m_host.currentDocument())
        return;
    const WaitCursor busy;
    QCoreApplication::processEvents();
    // Taken now, after pending edits have arrived.
    if (const auto document = m_host.currentDocument()) {
        m_keepScroll.reset();
        render(*document);
    }
}

void TfHtmlView::render(const PreviewDocument& document) {
    m_server.setPage(document, QDir::currentPath().toStdString());
    m_pageMessage = HasOpenCommentAtEnd(document.text)
                        ? QString::fromLatin1(kOpenCommentText.data(),
                                              static_cast<qsizetype>(kOpenCommentText.size()))
                        : QString();
    StatusLine->setText(m_pageMessage);
    load(PreviewUrl(m_server.pagePath(), ++m_render));
}

void TfHtmlView::ShowImageFile(const std::string& fileName) {
    const WaitCursor busy;
    m_keepScroll.reset();
    m_server.clearPage();
    m_pageMessage.clear();
    StatusLine->clear();
    load(PreviewUrl(fileName, ++m_render));
    show();
}

void TfHtmlView::documentEdited(const std::string& fileName) {
    if (sbLive->isChecked() && m_server.uses(fileName))
        m_liveTimer.start(); // again from the start at every keystroke
}

std::optional<PreviewDocument> TfHtmlView::pageDocument() const {
    if (!m_server.hasPage())
        return std::nullopt;
    if (!m_server.pageUntitled())
        return m_host.openDocument(m_server.pageName());
    // A never-saved page has no name to find it by; while it is current it is the one.
    auto current = m_host.currentDocument();
    return current && current->untitled ? current : std::nullopt;
}

void TfHtmlView::liveRefresh() {
    // Asks the page where it is scrolled to, then renders and scrolls back there.
    const QPointer<TfHtmlView> self(this);
    m_page->runJavaScript(QStringLiteral("[window.scrollX, window.scrollY]"),
                          [self](const QVariant& at) {
                              if (self == nullptr || self->htmlview == nullptr)
                                  return;
                              const auto document = self->pageDocument();
                              if (!document)
                                  return;
                              const QVariantList xy = at.toList();
                              if (xy.size() == 2)
                                  self->m_keepScroll = QPoint(xy[0].toInt(), xy[1].toInt());
                              self->render(*document);
                          });
}

void TfHtmlView::load(const QUrl& url) {
    m_loading = url;
    htmlview->load(url);
}

void TfHtmlView::loadingChanged(const QWebEngineLoadingInfo& info) {
    // Only the newest render counts: one it replaced may still report its end.
    if (!m_loading || info.status() == QWebEngineLoadingInfo::LoadStartedStatus ||
        info.url().path(QUrl::FullyDecoded) != m_loading->path(QUrl::FullyDecoded))
        return;
    m_loading.reset();
    pageLoaded(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
}

void TfHtmlView::pageLoaded(bool ok) {
    m_page->history()->clear(); // no navigation history
    if (!m_keepScroll) {
        emit rendered(ok);
        return;
    }
    const QPoint at = *m_keepScroll;
    m_keepScroll.reset();
    const QPointer<TfHtmlView> self(this);
    m_page->runJavaScript(QStringLiteral("window.scrollTo(%1, %2)").arg(at.x()).arg(at.y()),
                          [self, ok](const QVariant&) {
                              if (self != nullptr && self->htmlview != nullptr)
                                  emit self->rendered(ok);
                          });
}

void TfHtmlView::sbViewImgClick() {
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, sbViewImg->isChecked());
}

void TfHtmlView::sbStayOnTopClick() {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, sbStayOnTop->isChecked());
    if (shown)
        show(); // changing the flags hides the window
}

void TfHtmlView::hotSpot(const QString& url) {
    // The engine reports "no link" at every load too; the page's own message comes back.
    if (url.isEmpty()) {
        StatusLine->setText(m_pageMessage);
        return;
    }
    // Our own addresses are shown as the files they stand for, without the render folder.
    QUrl target(url);
    if (target.scheme() == QLatin1String(kPreviewScheme)) {
        const QString fragment = target.fragment();
        target = QUrl::fromLocalFile(
            QString::fromStdString(FilePathOf(target.path(QUrl::FullyDecoded).toStdString())));
        target.setFragment(fragment);
    }
    StatusLine->setText(target.toString());
}

void TfHtmlView::closeEvent(QCloseEvent* event) {
    event->accept();
    IniFile ini(m_host.settingsFileName());
    if (WritePreviewPlacementOnClose(ini, m_host.layoutSuffix(), placement()))
        ini.save();
}

} // namespace velloran
