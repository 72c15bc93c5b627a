// What the FTP window decides without a window: the server text's parts, the progress
// figures, the status log's lines, the proxy port, the local names of downloads and the
// texts the user is shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace velloran {

inline constexpr const char* kFtpCaption = "Velloran FTP";
inline constexpr const char* kServersFileName = "servers.ini";
inline constexpr const char* kUnableToConnectText = "Unable to connect to server";
inline constexpr const char* kInvalidHostText = "Invalid Host";
inline constexpr const char* kDeleteQuestion = "Delete selected File(s)?";
inline constexpr const char* kConnectionRequiredQuestion = "Connection Required. Connect?";
inline constexpr const char* kStillConnectedQuestion =
    "You are still connected to the server.\r\n\r\nDo you wish to exit?";

// "host[:port][/dir]", an IPv6 address in brackets ("[::1]:2121/www").
struct ServerAddress {
    std::string host;
    int port = 21;
    std::optional<std::string> directory; // from the first "/" after the host on
};

// Throws VelloranError naming the text when the port is not a number from 1 to 65535 or a
// bracket is not closed. Without a port of its own the text means `defaultPort`.
[[nodiscard]] ServerAddress SplitServerText(std::string_view text, int defaultPort = 21);

// done / total × 100 to the nearest integer, halves to even; none when total is 0 or done
// exceeds it.
[[nodiscard]] std::optional<int> ProgressPercent(std::int64_t done, std::int64_t total) noexcept;
[[nodiscard]] std::string ProgressText(std::int64_t done, std::int64_t total);

// A status text without the CR LF it may end with.
[[nodiscard]] std::string StatusLogLine(std::string_view status);

// The proxy port setting; text that is not a port number gives 21.
[[nodiscard]] int ProxyPortFrom(std::string_view text) noexcept;

// The chosen file's folder joined to the remote name with one separator. Throws
// VelloranError for a remote name that is not a plain file name ("..", "a/b").
[[nodiscard]] std::string DownloadTarget(std::string_view chosenFile, std::string_view caption);

[[nodiscard]] std::string OverwriteQuestion(std::string_view localName);

// A download arrives in a temporary file beside its target, which it replaces only once it
// is complete: an aborted or failed transfer leaves the file the user had as it was.
class StagedDownload {
public:
    // Makes room for the temporary file; throws FileError when the folder takes none.
    explicit StagedDownload(std::string target);
    // Removes the temporary file unless it was committed.
    ~StagedDownload();
    StagedDownload(const StagedDownload&) = delete;
    StagedDownload& operator=(const StagedDownload&) = delete;

    [[nodiscard]] const std::string& temporaryName() const noexcept { return m_temporary; }
    // Puts the arrived file in the target's place, with the target's mode if it had one;
    // throws FileError.
    void commit();

private:
    std::string m_target;
    std::string m_folder;
    std::string m_temporary;
    bool m_committed = false;
};

} // namespace velloran
