// Real FTP servers on 127.0.0.1 for the FTP client's integration tests.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace velloran::testing {

// A server process with a temporary folder of its own; both go when the object does, also
// when a constructor fails half-way.
class ServerProcess {
public:
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    int port() const { return m_port; }

protected:
    explicit ServerProcess(const std::string& folderPrefix);
    ~ServerProcess();

    std::filesystem::path m_dir;
    pid_t m_supervisor = -1;
    int m_port = 0;
};

// A self-signed certificate and its key for 127.0.0.1 and "localhost", made by openssl in a
// temporary folder of its own.
class TestCertificate {
public:
    [[nodiscard]] static bool available();
    TestCertificate();
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;
    std::string certFile() const { return (m_dir / "cert.pem").string(); }
    std::string keyFile() const { return (m_dir / "key.pem").string(); }
    // SHA-256 as openssl prints it: upper-case pairs joined by colons.
    const std::string& fingerprint() const { return m_fingerprint; }

private:
    std::filesystem::path m_dir;
    std::string m_fingerprint;
};

// pyftpdlib on 127.0.0.1, port chosen by the system, serving `root` with one user who has every
// right.
class PyFtpServer : public ServerProcess {
public:
    [[nodiscard]] static bool available();
    // pyftpdlib's TLS handler can run: python3-openssl is there.
    [[nodiscard]] static bool tlsAvailable();
    // With `tls`, the control and data connections must be encrypted with that certificate.
    PyFtpServer(const std::filesystem::path& root, std::string user = "user",
                std::string password = "secret", const TestCertificate* tls = nullptr);
    const std::string& user() const { return m_user; }
    const std::string& password() const { return m_password; }

private:
    void start(const std::filesystem::path& root, const TestCertificate* tls);

    std::string m_user;
    std::string m_password;
};

// vsftpd on 127.0.0.1 at a free high port; user "anonymous" with any password, chrooted to `root`.
// vsftpd refuses an anonymous root that the session can write to (allow_writeable_chroot only
// covers local users), so `root` itself becomes root-owned and read-only for the client, and
// everything inside it at construction is handed to the ftp user: tests write in a subfolder.
class VsFtpServer : public ServerProcess {
public:
    [[nodiscard]] static bool available();
    // With `tls`, logins and data connections must be encrypted with that certificate, and
    // every data connection must resume the control connection's TLS session.
    explicit VsFtpServer(const std::filesystem::path& root, const TestCertificate* tls = nullptr);

private:
    void start(const std::filesystem::path& root, const TestCertificate* tls);
};

// OpenSSH's sshd on 127.0.0.1 at a free high port with a configuration, host key and
// authorized key of its own, letting the user running the tests in with that key. A client
// folder holds the key pair as an SSH folder would; sshd reads passwords from the system, so
// no password login can succeed.
class SshServer : public ServerProcess {
public:
    [[nodiscard]] static bool available();
    SshServer();
    const std::string& user() const { return m_user; }
    std::string clientSshDir() const { return (m_dir / "client").string(); }
    std::string clientKeyFile() const { return (m_dir / "client" / "id_ed25519").string(); }
    // As "ssh-keygen -l -E sha256" prints it: "SHA256:" and base64.
    const std::string& hostKeyFingerprint() const { return m_fingerprint; }
    // The known_hosts line for this server's host key.
    std::string knownHostsLine() const;

private:
    std::string m_user;
    std::string m_fingerprint;
};

// ssh-agent on a socket of its own, holding one key.
class SshAgent : public ServerProcess {
public:
    explicit SshAgent(const std::string& keyFile);
    std::string socket() const { return (m_dir / "agent.sock").string(); }
};

} // namespace velloran::testing
