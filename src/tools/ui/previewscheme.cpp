// Registration of the preview scheme and the handler that answers from PreviewServer.
#include "tools/ui/previewscheme.h"

#include "tools/previewserver.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <cstdlib>
#include <unistd.h>

namespace velloran {

void PrepareWebEngine() {
    QWebEngineUrlScheme scheme(kPreviewScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Like local files: other schemes' pages cannot reach it, and its pages may use
    // local resources and one another.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                    QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && std::getenv("QTWEBENGINE_DISABLE_SANDBOX") == nullptr)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

QUrl PreviewUrl(const std::string& path, unsigned render) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kPreviewScheme));
    url.setHost(QStringLiteral("page"));
    url.setPath(QString::fromStdString(RenderPath(render, path)), QUrl::DecodedMode);
    return url;
}

PreviewSchemeHandler::PreviewSchemeHandler(PreviewServer& server, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), m_server(server) {
}

void PreviewSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    PreviewResponse response =
        m_server.respond(FilePathOf(url.path(QUrl::FullyDecoded).toStdString()));
    if (response.kind == PreviewResponse::Kind::NotFound) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* body = new QBuffer(job);
    body->setData(QByteArray::fromStdString(response.body));
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArray::fromStdString(response.contentType), body);
}

} // namespace velloran
