// Byte queue, reply codes, multi-line replies and passive replies, kept free of any socket so they
// can be fuzzed directly.
#include "ftp/ftpreply.h"

#include <algorithm>

namespace velloran {

void ByteQueue::append(const char* bytes, std::size_t count) {
    if (m_head > 0 && m_head >= m_data.size() - m_head) {
        m_data.erase(0, m_head);
        m_head = 0;
    }
    m_data.append(bytes, count);
}

void ByteQueue::clear() noexcept {
    m_data.clear();
    m_head = 0;
}

std::string ByteQueue::take(std::size_t count) {
    count = std::min(count, size());
    std::string taken = m_data.substr(m_head, count);
    m_head += count;
    if (m_head == m_data.size())
        clear();
    return taken;
}

bool ByteQueue::hasLine() const noexcept {
    return view().find('\n') != std::string_view::npos;
}

std::optional<std::string> ByteQueue::takeLine() {
    const auto end = view().find('\n');
    if (end == std::string_view::npos)
        return std::nullopt;
    return take(end + 1);
}

std::uint32_t ReplyCodeOf(std::string_view line) noexcept {
    std::uint64_t code = 0;
    for (std::size_t i = 0; i < line.size() && i < 10 && line[i] >= '0' && line[i] <= '9'; ++i)
        code = code * 10 + static_cast<unsigned>(line[i] - '0');
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(code, UINT32_MAX));
}

bool MultiLineReply::continuesAfter(std::string_view line) {
    if (!m_closing.empty())
        return !line.starts_with(m_closing);
    if (!line.empty() && line[0] == ' ')
        return true;
    if (line.size() > 3 && line[3] == '-') {
        m_closing = std::string(line.substr(0, 3)) + ' ';
        return true;
    }
    return false;
}

std::int64_t SizeFromReply(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    auto pos = upper.find("BYTE");
    if (pos == std::string::npos)
        return 0;
    auto isDigit = [&](std::size_t i) { return upper[i] >= '0' && upper[i] <= '9'; };
    while (pos > 0 && !isDigit(pos - 1))
        --pos;
    const std::size_t end = pos;
    while (pos > 0 && isDigit(pos - 1))
        --pos;
    if (pos == end || end - pos > 18)
        return 0;
    std::int64_t size = 0;
    for (std::size_t i = pos; i < end; ++i)
        size = size * 10 + (upper[i] - '0');
    return size;
}

std::string QuotedDirectory(std::string_view reply) {
    auto at = reply.find('"');
    if (at == std::string_view::npos)
        return {};
    std::string directory;
    for (++at; at < reply.size(); ++at) {
        if (reply[at] == '"') {
            if (at + 1 >= reply.size() || reply[at + 1] != '"')
                break;
            ++at;
        }
        directory += reply[at];
    }
    return directory;
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits at `at`, moving past them; none when there are none or the value passes `limit`.
std::optional<std::uint32_t> NumberAt(std::string_view text, std::size_t& at, std::uint32_t limit) {
    const std::size_t start = at;
    std::uint64_t value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[at] - '0'),
                                        std::uint64_t{limit} + 1);
        ++at;
    }
    if (at == start || value > limit)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::optional<PassiveTarget> PassiveTargetOf(std::string_view reply) {
    // The reply code is no part of the address.
    std::size_t at = 0;
    while (at < reply.size() && IsDigit(reply[at]))
        ++at;
    while (at < reply.size()) {
        if (!IsDigit(reply[at])) {
            ++at;
            continue;
        }
        std::uint32_t numbers[6] = {};
        std::size_t count = 0;
        bool valid = true;
        for (;;) {
            const auto number = NumberAt(reply, at, 255);
            valid = valid && number && count < 6;
            if (valid)
                numbers[count] = *number;
            ++count;
            if (at >= reply.size() || reply[at] != ',')
                break;
            ++at;
            while (at < reply.size() && reply[at] == ' ')
                ++at;
        }
        // A lone number is text, such as a version; the first list decides, since a later
        // one could be anything the server wrote.
        if (count == 1)
            continue;
        if (!valid || count != 6)
            return std::nullopt;
        PassiveTarget target;
        for (std::size_t i = 0; i < 4; ++i)
            target.address[i] = static_cast<std::uint8_t>(numbers[i]);
        target.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
        if (target.port == 0)
            return std::nullopt;
        return target;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> ExtendedPassivePortOf(std::string_view reply) {
    for (std::size_t at = 0; at + 4 < reply.size(); ++at) {
        const char delimiter = reply[at];
        if (delimiter <= ' ' || delimiter > '~' || IsDigit(delimiter) ||
            reply[at + 1] != delimiter || reply[at + 2] != delimiter)
            continue;
        std::size_t end = at + 3;
        const auto port = NumberAt(reply, end, 65535);
        if (port && *port != 0 && end < reply.size() && reply[end] == delimiter)
            return static_cast<std::uint16_t>(*port);
    }
    return std::nullopt;
}

std::string_view WithoutLineEnd(std::string_view line) noexcept {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

} // namespace velloran
