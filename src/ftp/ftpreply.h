// The pure parts of reading FTP replies: the received-byte queue lines are taken from, reply
// codes, where a multi-line reply ends, byte counts, quoted directories and passive ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

// Received bytes not yet taken by a reader. Taking from the front only moves an offset; the
// taken part is dropped when it outweighs the rest, so a long transfer never copies twice.
class ByteQueue {
public:
    [[nodiscard]] std::size_t size() const noexcept { return m_data.size() - m_head; }
    [[nodiscard]] bool empty() const noexcept { return size() == 0; }
    [[nodiscard]] std::string_view view() const noexcept {
        return std::string_view(m_data).substr(m_head);
    }
    void append(const char* bytes, std::size_t count);
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }
    void clear() noexcept;
    // Takes up to `count` bytes from the front.
    std::string take(std::size_t count);
    // The first line with its line feed, if a whole one is there.
    [[nodiscard]] std::optional<std::string> takeLine();
    [[nodiscard]] bool hasLine() const noexcept;

private:
    std::string m_data;
    std::size_t m_head = 0;
};

// The leading run of decimal digits (at most ten), or 0 when the line starts otherwise.
[[nodiscard]] std::uint32_t ReplyCodeOf(std::string_view line) noexcept;

// Follows the lines of one reply. A line that begins with a blank, or a code followed by "-",
// opens or continues a multi-line reply; once a code with "-" has been seen, the reply ends
// only at that code followed by a blank, so text lines in between (which some servers send
// without a code) are not taken for the reply's end.
class MultiLineReply {
public:
    // Whether `line` leaves the reply open, so another line has to be read.
    [[nodiscard]] bool continuesAfter(std::string_view line);

private:
    std::string m_closing; // "123 " once a "123-" line has opened the reply
};

// The number before the word "BYTE" (any letter case), as in "(1234 bytes)."; 0 without one.
[[nodiscard]] std::int64_t SizeFromReply(std::string_view text);

// The text between the first two double quotes, a doubled quote inside standing for one;
// after a lone quote everything after it; empty without one.
[[nodiscard]] std::string QuotedDirectory(std::string_view reply);

// What a "227" reply to PASV names: an IPv4 address in the order written, and a port.
struct PassiveTarget {
    std::uint8_t address[4] = {};
    std::uint16_t port = 0;
};

// The first list of comma-separated numbers after the code, with or without parentheses
// around it; none unless that list holds exactly six numbers, each at most 255, and the port
// they give is not 0.
[[nodiscard]] std::optional<PassiveTarget> PassiveTargetOf(std::string_view reply);

// The port of a "229" reply to EPSV, "(|||6446|)": three equal delimiters, the port and the
// delimiter again; any printable character other than a digit may serve as the delimiter.
// None for anything else, or a port of 0 or above 65535.
[[nodiscard]] std::optional<std::uint16_t> ExtendedPassivePortOf(std::string_view reply);

// The line without its trailing LF or CR LF.
[[nodiscard]] std::string_view WithoutLineEnd(std::string_view line) noexcept;

} // namespace velloran
