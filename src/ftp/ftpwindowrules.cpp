// The FTP window's rules that need no window.
#include "ftp/ftpwindowrules.h"

#include "platform/errors.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

namespace {

int PortOf(std::string_view text, std::string_view whole) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 ||
        port > 65535)
        throw VelloranError("Invalid port in \"" + std::string(whole) + "\"");
    return port;
}

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& name, int error) {
    throw FileError(what + " \"" + name + "\": " + std::strerror(error));
}

mode_t NewFileMode(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

ServerAddress SplitServerText(std::string_view text, int defaultPort) {
    ServerAddress address;
    address.port = defaultPort;
    std::string_view hostPart = text;
    std::string_view rest;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            throw VelloranError("Missing \"]\" in \"" + std::string(text) + "\"");
        address.host = std::string(text.substr(1, close - 1));
        rest = text.substr(close + 1);
        const auto slash = rest.find('/');
        hostPart = {};
        if (!rest.empty() && rest.front() == ':') {
            address.port =
                PortOf(rest.substr(1, slash == std::string_view::npos ? slash : slash - 1), text);
        } else if (!rest.empty() && rest.front() != '/') {
            throw VelloranError("Invalid port in \"" + std::string(text) + "\"");
        }
        if (slash != std::string_view::npos)
            address.directory = std::string(rest.substr(slash));
        return address;
    }
    const auto slash = text.find('/');
    if (slash != std::string_view::npos) {
        hostPart = text.substr(0, slash);
        address.directory = std::string(text.substr(slash));
    }
    // A bare IPv6 address has more than one colon and no port of its own.
    const auto colon = hostPart.find(':');
    if (colon != std::string_view::npos &&
        hostPart.find(':', colon + 1) == std::string_view::npos) {
        address.port = PortOf(hostPart.substr(colon + 1), text);
        hostPart = hostPart.substr(0, colon);
    }
    address.host = std::string(hostPart);
    return address;
}

std::optional<int> ProgressPercent(std::int64_t done, std::int64_t total) noexcept {
    if (total <= 0 || done < 0 || done > total)
        return std::nullopt;
    // In integers: a double loses the exact halves of very large totals.
    const __int128 scaled = static_cast<__int128>(done) * 100;
    const auto whole = static_cast<std::int64_t>(scaled / total);
    const __int128 twiceRest = (scaled % total) * 2;
    if (twiceRest > total || (twiceRest == total && whole % 2 != 0))
        return static_cast<int>(whole + 1);
    return static_cast<int>(whole);
}

std::string ProgressText(std::int64_t done, std::int64_t total) {
    return std::to_string(done) + " of " + std::to_string(total);
}

std::string StatusLogLine(std::string_view status) {
    if (status.size() >= 2 && status[status.size() - 2] == '\r')
        status = status.substr(0, status.size() - 2);
    return std::string(status);
}

int ProxyPortFrom(std::string_view text) noexcept {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 ||
        port > 65535)
        return 21;
    return port;
}

std::string DownloadTarget(std::string_view chosenFile, std::string_view caption) {
    // The name comes from the server's listing: one with a folder in it would write
    // outside the folder the user chose.
    if (caption.empty() || caption == "." || caption == ".." ||
        caption.find('/') != std::string_view::npos || caption.find('\0') != std::string_view::npos)
        throw VelloranError("Refused to download \"" + std::string(caption) +
                            "\": the name is not a plain file name");
    const auto slash = chosenFile.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(caption);
    return std::string(chosenFile.substr(0, slash)) + "/" + std::string(caption);
}

std::string OverwriteQuestion(std::string_view localName) {
    return "File \"" + std::string(localName) +
           "\" already exists.\r\n\r\nDo you want to overwrite it?";
}

// The arriving file is made afresh inside a private folder: nobody else can put a link in its
// place there, and the file is never truncated, which on ext4 would make its close wait for
// the disk.
StagedDownload::StagedDownload(std::string target) : m_target(std::move(target)) {
    const auto slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : m_target.substr(0, slash + 1);
    const std::string name = m_target.substr(folder.size());
    m_folder = folder + "." + name + ".part-XXXXXX";
    if (::mkdtemp(m_folder.data()) == nullptr)
        ThrowFileError("Cannot create", m_target, errno);
    m_temporary = m_folder + "/" + name;
}

StagedDownload::~StagedDownload() {
    if (!m_committed)
        ::unlink(m_temporary.c_str());
    ::rmdir(m_folder.c_str());
}

void StagedDownload::commit() {
    if (::chmod(m_temporary.c_str(), NewFileMode(m_target)) != 0 ||
        ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        ThrowFileError("Cannot write", m_target, errno);
    m_committed = true;
}

} // namespace velloran
