// A set of 256 members (characters or parser states), stored in images as 32 bytes:
// member c is bit (c mod 8) of byte (c div 8).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace velloran {

class CharSet {
public:
    constexpr CharSet() = default;
    constexpr CharSet(std::initializer_list<int> members) {
        for (const int m : members)
            add(m);
    }

    [[nodiscard]] constexpr bool has(int member) const noexcept {
        return (m_words[(member & 0xFF) >> 6] >> (member & 63)) & 1;
    }
    constexpr CharSet& add(int member) noexcept {
        m_words[(member & 0xFF) >> 6] |= std::uint64_t{1} << (member & 63);
        return *this;
    }
    constexpr CharSet& addRange(int first, int last) noexcept {
        for (int m = first; m <= last; ++m)
            add(m);
        return *this;
    }
    constexpr CharSet& addAll(std::string_view members) noexcept {
        for (const char c : members)
            add(static_cast<unsigned char>(c));
        return *this;
    }
    constexpr CharSet& remove(int member) noexcept {
        m_words[(member & 0xFF) >> 6] &= ~(std::uint64_t{1} << (member & 63));
        return *this;
    }
    [[nodiscard]] constexpr bool empty() const noexcept {
        return (m_words[0] | m_words[1] | m_words[2] | m_words[3]) == 0;
    }
    [[nodiscard]] constexpr bool intersects(const CharSet& other) const noexcept {
        return ((m_words[0] & other.m_words[0]) | (m_words[1] & other.m_words[1]) |
                (m_words[2] & other.m_words[2]) | (m_words[3] & other.m_words[3])) != 0;
    }
    [[nodiscard]] constexpr bool contains(const CharSet& other) const noexcept {
        for (int i = 0; i < 4; ++i)
            if ((other.m_words[i] & ~m_words[i]) != 0)
                return false;
        return true;
    }
    [[nodiscard]] constexpr CharSet operator|(const CharSet& other) const noexcept {
        CharSet out;
        for (int i = 0; i < 4; ++i)
            out.m_words[i] = m_words[i] | other.m_words[i];
        return out;
    }
    [[nodiscard]] constexpr CharSet operator-(const CharSet& other) const noexcept {
        CharSet out;
        for (int i = 0; i < 4; ++i)
            out.m_words[i] = m_words[i] & ~other.m_words[i];
        return out;
    }
    [[nodiscard]] constexpr CharSet complement() const noexcept {
        CharSet out;
        for (int i = 0; i < 4; ++i)
            out.m_words[i] = ~m_words[i];
        return out;
    }
    // By words: the parser compares state sets at every token, and the defaulted
    // comparison goes through memcmp.
    friend constexpr bool operator==(const CharSet& a, const CharSet& b) noexcept {
        return ((a.m_words[0] ^ b.m_words[0]) | (a.m_words[1] ^ b.m_words[1]) |
                (a.m_words[2] ^ b.m_words[2]) | (a.m_words[3] ^ b.m_words[3])) == 0;
    }

    // Sixteen bits of the members, each member mixed into all of them; equal sets give
    // equal digests. A plain fold gave members eight apart the same one, and the
    // highlighter took a tag's states for the text's and stopped too early.
    [[nodiscard]] constexpr std::uint16_t digest() const noexcept {
        std::uint64_t x = 0;
        for (const std::uint64_t word : m_words) {
            x = (x ^ word) * 0x9E3779B97F4A7C15U;
            x ^= x >> 29;
        }
        return static_cast<std::uint16_t>(x >> 48);
    }

    // The 32-byte stored form.
    void toBytes(unsigned char* out) const noexcept {
        for (int i = 0; i < 32; ++i)
            out[i] = static_cast<unsigned char>(m_words[i / 8] >> (8 * (i % 8)));
    }
    static CharSet fromBytes(const unsigned char* in) noexcept {
        CharSet set;
        for (int i = 0; i < 32; ++i)
            set.m_words[i / 8] |= std::uint64_t{in[i]} << (8 * (i % 8));
        return set;
    }

private:
    std::array<std::uint64_t, 4> m_words{};
};

} // namespace velloran
