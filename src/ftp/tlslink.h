// TLS over one non-blocking socket: the client side of the handshake, record reads and writes
// that report "would block" instead of waiting, the close notification, and the identity the
// server showed.
#pragma once

#include "platform/errors.h"

#include <cstddef>
#include <memory>
#include <string>

namespace velloran {

class ETlsError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

// What a step of the TLS layer came to.
enum class TlsIo { Done, WantRead, WantWrite, Closed, Failed };

// The identity a server showed in its handshake.
struct TlsIdentity {
    std::string host;
    // SHA-256 of the certificate's DER form, upper-case hex pairs joined by colons.
    std::string fingerprint;
    std::string subject;
    std::string issuer;
    // The certificate chains to the system's CA store and names the host.
    bool verified = false;
    // Why it was not verified; empty when it was.
    std::string problem;
};

// One client's TLS settings and the session its data connections resume: servers that insist
// on resumption (vsftpd's require_ssl_reuse and many hosts) refuse a data connection that
// negotiates afresh.
class TlsContext {
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // Where the certificate authorities are looked up; the system's store by default.
    void SetCaFile(const std::string& file);
    [[nodiscard]] bool HasSession() const noexcept;

    struct Impl;
    [[nodiscard]] Impl& impl() noexcept { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

class TlsLink {
public:
    // Takes no ownership of `socket`; `host` is checked against the certificate.
    TlsLink(TlsContext& context, int socket, const std::string& host);
    ~TlsLink();
    TlsLink(const TlsLink&) = delete;
    TlsLink& operator=(const TlsLink&) = delete;

    TlsIo Handshake();
    TlsIo Read(char* buffer, std::size_t size, std::size_t& got);
    // After WantWrite the next call repeats the same bytes, as the record layer requires; the
    // caller hands in at least that many again.
    TlsIo Write(const char* data, std::size_t size, std::size_t& put);
    // Sends the close notification; Done once it is on its way.
    TlsIo Shutdown();
    // Decrypted bytes wait inside the layer, so the socket may stay quiet although there is
    // input to take.
    [[nodiscard]] bool HasPending() const;
    // The peer ended with a close notification rather than a bare end of the connection.
    [[nodiscard]] bool CleanEnd() const noexcept { return m_cleanEnd; }
    [[nodiscard]] bool Resumed() const;
    [[nodiscard]] bool HandshakeDone() const noexcept { return m_handshakeDone; }
    [[nodiscard]] const std::string& ErrorText() const noexcept { return m_error; }
    [[nodiscard]] TlsIdentity Identity() const;

private:
    TlsIo Result(int returned, const char* what);

    struct Ssl;
    std::unique_ptr<Ssl> m_ssl;
    std::string m_host;
    std::size_t m_pendingWrite = 0;
    bool m_cleanEnd = false;
    bool m_handshakeDone = false;
    std::string m_error;
};

// What to do with a server's identity, given the fingerprint the profile has pinned (empty
// when none). A certificate the CA store vouches for needs no pin; a pin that matches is
// trusted; a pin that no longer matches is refused without asking; anything else is asked.
enum class TrustDecision { Accept, Ask, RefuseChanged };
[[nodiscard]] TrustDecision DecideTrust(const TlsIdentity& identity,
                                        const std::string& pinnedFingerprint);

// The refusal of a changed identity, said the way the user sees it.
[[nodiscard]] std::string ChangedIdentityText(const TlsIdentity& identity,
                                              const std::string& pinnedFingerprint);

// The question put to the user about an identity nobody vouches for.
[[nodiscard]] std::string UnknownIdentityQuestion(const TlsIdentity& identity);

// Fingerprints compare without regard to case, colons or spaces, as users paste them.
[[nodiscard]] bool SameFingerprint(const std::string& a, const std::string& b);

} // namespace velloran
