// OpenSSL behind the TLS link: a socket BIO of our own that sends without SIGPIPE, the client
// session cache that keeps the newest session for resumption, and the identity checks.
#include "ftp/tlslink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace velloran {

namespace {

// The default socket BIO writes with write(), so a server that has gone away would end the
// program with SIGPIPE.
int BioWrite(BIO* bio, const char* data, int size) {
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int BioRead(BIO* bio, char* buffer, int size) {
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(fd, buffer, static_cast<std::size_t>(size), 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    return static_cast<int>(got);
}

long BioCtrl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* created =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "velloran socket");
        BIO_meth_set_write(created, BioWrite);
        BIO_meth_set_read(created, BioRead);
        BIO_meth_set_ctrl(created, BioCtrl);
        BIO_meth_set_create(created, BioCreate);
        return created;
    }();
    return method;
}

std::string QueueText() {
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        if (!text.empty())
            text += "; ";
        text += line;
    }
    return text;
}

std::string NameText(const X509_NAME* name) {
    if (name == nullptr)
        return {};
    char text[512] = {};
    X509_NAME_oneline(name, text, sizeof text);
    return text;
}

std::string Normalised(const std::string& fingerprint) {
    std::string out;
    for (const char c : fingerprint) {
        if (c == ':' || c == ' ')
            continue;
        out += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    }
    return out;
}

} // namespace

// ---- context

struct TlsContext::Impl {
    SSL_CTX* ctx = nullptr;
    SSL_SESSION* session = nullptr;

    static int NewSession(SSL* ssl, SSL_SESSION* session) {
        auto* self = static_cast<Impl*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
        if (self->session)
            SSL_SESSION_free(self->session);
        // The reference the library passes in becomes ours.
        self->session = session;
        return 1;
    }
};

TlsContext::TlsContext() : m_impl(std::make_unique<Impl>()) {
    m_impl->ctx = SSL_CTX_new(TLS_client_method());
    if (m_impl->ctx == nullptr)
        throw ETlsError("Cannot set up TLS: " + QueueText());
    SSL_CTX_set_min_proto_version(m_impl->ctx, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(m_impl->ctx);
    SSL_CTX_set_app_data(m_impl->ctx, m_impl.get());
    SSL_CTX_set_session_cache_mode(m_impl->ctx,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_impl->ctx, &Impl::NewSession);
    SSL_CTX_set_mode(m_impl->ctx,
                     SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
}

TlsContext::~TlsContext() {
    if (m_impl->session)
        SSL_SESSION_free(m_impl->session);
    SSL_CTX_free(m_impl->ctx);
}

void TlsContext::SetCaFile(const std::string& file) {
    if (SSL_CTX_load_verify_locations(m_impl->ctx, file.c_str(), nullptr) != 1)
        throw ETlsError("Cannot read the certificate authorities in \"" + file +
                        "\": " + QueueText());
}

bool TlsContext::HasSession() const noexcept {
    return m_impl->session != nullptr;
}

// ---- link

struct TlsLink::Ssl {
    SSL* ssl = nullptr;
    ~Ssl() { SSL_free(ssl); }
};

TlsLink::TlsLink(TlsContext& context, int socket, const std::string& host)
    : m_ssl(std::make_unique<Ssl>()), m_host(host) {
    ERR_clear_error();
    m_ssl->ssl = SSL_new(context.impl().ctx);
    BIO* bio = m_ssl->ssl ? BIO_new(SocketMethod()) : nullptr;
    if (bio == nullptr)
        throw ETlsError("Cannot set up TLS: " + QueueText());
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    SSL_set_bio(m_ssl->ssl, bio, bio);
    in6_addr numeric{};
    const bool literal = ::inet_pton(AF_INET, host.c_str(), &numeric) == 1 ||
                         ::inet_pton(AF_INET6, host.c_str(), &numeric) == 1;
    if (literal) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl->ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(m_ssl->ssl, host.c_str());
        SSL_set1_host(m_ssl->ssl, host.c_str());
    }
    // The verdict is read after the handshake, so that an unknown identity can be put to the
    // user instead of ending the handshake.
    SSL_set_verify(m_ssl->ssl, SSL_VERIFY_NONE, nullptr);
    if (SSL_SESSION* session = context.impl().session)
        SSL_set_session(m_ssl->ssl, session);
}

TlsLink::~TlsLink() {
    // A connection freed without a close notification makes the library drop its session as
    // suspect. A transfer the user broke off is no attack, and servers that insist on resumed
    // data sessions would refuse every later transfer; only a failed link loses its session.
    if (m_ssl->ssl && m_error.empty())
        SSL_set_shutdown(m_ssl->ssl, SSL_get_shutdown(m_ssl->ssl) | SSL_SENT_SHUTDOWN);
}

TlsIo TlsLink::Result(int returned, const char* what) {
    const int error = SSL_get_error(m_ssl->ssl, returned);
    switch (error) {
    case SSL_ERROR_WANT_READ:
        return TlsIo::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return TlsIo::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        m_cleanEnd = true;
        return TlsIo::Closed;
    case SSL_ERROR_SYSCALL: {
        const int saved = errno;
        m_error = QueueText();
        if (m_error.empty())
            m_error = returned == 0 || saved == 0 ? "the connection ended"
                                                  : std::string(std::strerror(saved));
        break;
    }
    default:
        m_error = QueueText();
        break;
    }
    m_error = std::string(what) + ": " + (m_error.empty() ? "unknown TLS error" : m_error);
    return TlsIo::Failed;
}

TlsIo TlsLink::Handshake() {
    ERR_clear_error();
    const int returned = SSL_connect(m_ssl->ssl);
    if (returned == 1) {
        m_handshakeDone = true;
        return TlsIo::Done;
    }
    const TlsIo result = Result(returned, "TLS handshake failed");
    // A bare end during the handshake is a server that would not speak TLS, not a clean close.
    if (result == TlsIo::Closed) {
        m_error = "TLS handshake failed: the server closed the connection";
        return TlsIo::Failed;
    }
    return result;
}

TlsIo TlsLink::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    ERR_clear_error();
    const int returned = SSL_read_ex(m_ssl->ssl, buffer, size, &got) == 1 ? 1 : 0;
    if (returned == 1)
        return TlsIo::Done;
    const TlsIo result = Result(returned, "TLS read failed");
    return result;
}

TlsIo TlsLink::Write(const char* data, std::size_t size, std::size_t& put) {
    put = 0;
    if (m_pendingWrite != 0 && size > m_pendingWrite)
        size = m_pendingWrite;
    ERR_clear_error();
    if (SSL_write_ex(m_ssl->ssl, data, size, &put) == 1) {
        m_pendingWrite = 0;
        return TlsIo::Done;
    }
    const TlsIo result = Result(0, "TLS write failed");
    if (result == TlsIo::WantRead || result == TlsIo::WantWrite)
        m_pendingWrite = size;
    return result;
}

TlsIo TlsLink::Shutdown() {
    ERR_clear_error();
    const int returned = SSL_shutdown(m_ssl->ssl);
    if (returned >= 0)
        return TlsIo::Done;
    return Result(returned, "TLS close failed");
}

bool TlsLink::HasPending() const {
    return SSL_pending(m_ssl->ssl) > 0;
}

bool TlsLink::Resumed() const {
    return SSL_session_reused(m_ssl->ssl) == 1;
}

TlsIdentity TlsLink::Identity() const {
    TlsIdentity identity;
    identity.host = m_host;
    X509* certificate = SSL_get1_peer_certificate(m_ssl->ssl);
    if (certificate == nullptr) {
        identity.problem = "the server showed no certificate";
        return identity;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    for (unsigned int i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i + 1 < length ? "%02X:" : "%02X", digest[i]);
        identity.fingerprint += pair;
    }
    identity.subject = NameText(X509_get_subject_name(certificate));
    identity.issuer = NameText(X509_get_issuer_name(certificate));
    X509_free(certificate);
    const long verdict = SSL_get_verify_result(m_ssl->ssl);
    identity.verified = verdict == X509_V_OK;
    if (!identity.verified)
        identity.problem = X509_verify_cert_error_string(verdict);
    return identity;
}

// ---- trust

bool SameFingerprint(const std::string& a, const std::string& b) {
    return Normalised(a) == Normalised(b);
}

TrustDecision DecideTrust(const TlsIdentity& identity, const std::string& pinnedFingerprint) {
    if (identity.verified)
        return TrustDecision::Accept;
    if (pinnedFingerprint.empty())
        return TrustDecision::Ask;
    return SameFingerprint(identity.fingerprint, pinnedFingerprint) ? TrustDecision::Accept
                                                                    : TrustDecision::RefuseChanged;
}

std::string UnknownIdentityQuestion(const TlsIdentity& identity) {
    return "The server's identity is not known (" + identity.problem + "): " + identity.host +
           "\r\n\r\nCertificate: " + identity.subject + "\r\nIssued by: " + identity.issuer +
           "\r\nSHA-256 fingerprint: " + identity.fingerprint + "\r\n\r\nTrust it?";
}

std::string ChangedIdentityText(const TlsIdentity& identity, const std::string& pinnedFingerprint) {
    return "Warning: the identity of " + identity.host +
           " has changed since it was trusted. Someone may be listening in. Its certificate's "
           "SHA-256 fingerprint is now " +
           identity.fingerprint + ", the trusted one is " + pinnedFingerprint +
           ". The connection is refused.";
}

} // namespace velloran
