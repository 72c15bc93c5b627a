// The preview's own URL scheme: pages are served from the editor at addresses inside
// their folders, so that relative references resolve as they will on the site.
#pragma once

#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <string>

namespace velloran {

class PreviewServer;

inline constexpr char kPreviewScheme[] = "vpreview";

// Sets up what the engine needs before the application object exists: the scheme,
// shared GL contexts, and (for root, which the engine's sandbox refuses) no sandbox.
// Starts nothing: the engine starts when the first preview window is made.
void PrepareWebEngine();

// The address at which an absolute path is served in one render (see RenderPath).
[[nodiscard]] QUrl PreviewUrl(const std::string& path, unsigned render);

class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    PreviewSchemeHandler(PreviewServer& server, QObject* parent);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    PreviewServer& m_server;
};

} // namespace velloran
