// Byte queue, reply codes and multi-line replies, kept free of any socket so they can be
// fuzzed directly.
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

std::string_view WithoutLineEnd(std::string_view line) noexcept {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

} // namespace velloran
