// Packs and unpacks parser images with the KH and LZH methods, and advises between them.
#include "editor/compressor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace velloran {

namespace {

using Byte = unsigned char;

constexpr std::size_t kHeaderSize = 8;
constexpr std::string_view kKhMagic = "WRZL";
constexpr std::string_view kLzhMagic = "!HZL";

const char* const kHeaderError =
    "Compressor decompression : input stream contains no valid header !";
const char* const kKhError =
    "Compressor (decompression Compressor/KH) : Original and compressed sizes do not match !";
const char* const kLzhError =
    "Compressor (LZH decompression) : Original and compressed sizes do not match !";

[[noreturn]] void fail(const char* message) {
    throw ECompressorException(message);
}

const Byte* bytesOf(std::string_view text) {
    return reinterpret_cast<const Byte*>(text.data());
}

Byte* bytesOf(std::string& text) {
    return reinterpret_cast<Byte*>(text.data());
}

unsigned readBigEndian16(const Byte* at) {
    return static_cast<unsigned>(at[0]) << 8 | at[1];
}

void writeBigEndian16(Byte* at, unsigned value) {
    at[0] = static_cast<Byte>(value >> 8);
    at[1] = static_cast<Byte>(value);
}

std::uint32_t readLittleEndian(const Byte* at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

void writeLittleEndian(Byte* at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        at[i] = static_cast<Byte>(value >> (8 * i));
}

// A stream always starts with its magic and the size it unpacks to.
std::string streamWithHeader(std::string_view magic, std::string_view input, std::size_t room) {
    if (input.size() > std::numeric_limits<std::uint32_t>::max())
        fail("Compressor : inputs of 4 GiB or more cannot be compressed !");
    std::string out(kHeaderSize + room, '\0');
    std::memcpy(out.data(), magic.data(), magic.size());
    writeLittleEndian(bytesOf(out) + 4, static_cast<std::uint32_t>(input.size()), 4);
    return out;
}

// Grows a decoding buffer geometrically so that `needed` bytes fit, never past `limit`.
void ensureRoom(std::string& out, std::size_t needed, std::size_t limit) {
    if (needed > out.size())
        out.resize(std::min(std::max(needed, out.size() * 2), std::max(needed, limit)));
}

// The up-front buffer for a recorded size: a forged size must not allocate much more than
// the compressed bytes could plausibly expand to.
std::size_t initialRoom(std::uint32_t recorded, std::size_t compressedSize) {
    return std::min<std::size_t>(recorded, 64 * compressedSize + 4096);
}

// ---------------------------------------------------------------------------------------
// KH method

constexpr std::size_t kKhBlock = 32768;
constexpr std::size_t kKhWindow = 4096;
constexpr std::size_t kKhMaxRun = 4095;
constexpr std::size_t kKhMinRun = 16;
constexpr std::size_t kKhMaxMatch = 18;
constexpr std::size_t kKhMinMatch = 3;
// An attempt is abandoned once it reaches the input's size; the last item (four bytes)
// and the next control slot (two) may already lie past that point.
constexpr std::size_t kKhSlack = 8;
constexpr Byte kKhStored = 128;
constexpr Byte kKhCompressed = 64;
constexpr std::uint16_t kKhUnset = 0xFFFF;

using KhHashTable = std::array<std::uint16_t, 4096>;

// Items are flagged in 16-bit control words that precede the items they describe.
struct KhWriter {
    Byte* out;
    std::size_t pos = 3;
    std::size_t controlPos = 1;
    unsigned control = 0;
    int items = 0;

    void endItem(unsigned flag) {
        control = control << 1 | flag;
        if (++items == 16) {
            writeBigEndian16(out + controlPos, control);
            controlPos = pos;
            pos += 2;
            control = 0;
            items = 0;
        }
    }
    void finish() { writeBigEndian16(out + controlPos, (control << (16 - items)) & 0xFFFF); }
};

std::size_t khRunLength(const Byte* in, std::size_t pos, std::size_t size) {
    const std::size_t limit = std::min(kKhMaxRun, size - pos);
    std::size_t run = 1;
    while (run < limit && in[pos + run] == in[pos])
        ++run;
    return run;
}

unsigned khHash(const Byte* at) {
    const unsigned mixed = ((static_cast<unsigned>(at[0]) << 4 ^ at[1]) << 4) ^ at[2];
    return (mixed * 40543u >> 4) & 0xFFF;
}

// The length of the match the hash table offers at `pos` (0 when none), and its distance.
std::size_t khFindMatch(const Byte* in, std::size_t pos, std::size_t size, KhHashTable& table,
                        std::size_t& offset) {
    std::uint16_t& entry = table[khHash(in + pos)];
    const std::size_t candidate = entry;
    entry = static_cast<std::uint16_t>(pos);
    if (candidate == kKhUnset || pos - candidate >= kKhWindow)
        return 0;
    const std::size_t limit = std::min(kKhMaxMatch, size - pos);
    std::size_t length = 0;
    while (length < limit && in[candidate + length] == in[pos + length])
        ++length;
    offset = pos - candidate;
    return length;
}

// Encodes one block into `out`, which has room for size + kKhSlack bytes.
std::size_t khEncodeBlock(const Byte* in, std::size_t size, Byte* out, KhHashTable& table) {
    table.fill(kKhUnset);
    out[0] = kKhCompressed;
    KhWriter w{out};
    std::size_t pos = 0;
    while (pos < size && w.pos < size) {
        const std::size_t run = khRunLength(in, pos, size);
        std::size_t offset = 0;
        if (run >= kKhMinRun) {
            const std::size_t count = run - kKhMinRun;
            out[w.pos] = 0;
            out[w.pos + 1] = static_cast<Byte>(count >> 8);
            out[w.pos + 2] = static_cast<Byte>(count);
            out[w.pos + 3] = in[pos];
            w.pos += 4;
            pos += run;
            w.endItem(1);
        } else if (const std::size_t length =
                       pos + kKhMinMatch <= size ? khFindMatch(in, pos, size, table, offset) : 0;
                   length >= kKhMinMatch) {
            writeBigEndian16(out + w.pos, static_cast<unsigned>(offset << 4 | (length - 3)));
            w.pos += 2;
            pos += length;
            w.endItem(1);
        } else {
            out[w.pos++] = in[pos++];
            w.endItem(0);
        }
    }
    if (pos < size || w.pos >= size) {
        out[0] = kKhStored;
        if (size > 0)
            std::memcpy(out + 1, in, size);
        return size + 1;
    }
    w.finish();
    return w.pos;
}

// Decodes the items of a compressed block; every read and write is checked first.
class KhDecoder {
public:
    KhDecoder(const Byte* in, std::size_t size, Byte* out) : m_in(in), m_size(size), m_out(out) {}

    std::size_t run() {
        if (m_size < 3)
            fail(kKhError);
        unsigned control = readBigEndian16(m_in + 1);
        int bits = 16;
        m_pos = 3;
        while (m_pos < m_size) {
            if (bits == 0) {
                need(2);
                control = readBigEndian16(m_in + m_pos);
                m_pos += 2;
                bits = 16;
                continue;
            }
            const bool isCopy = (control & 0x8000) != 0;
            control <<= 1;
            --bits;
            if (isCopy)
                copyOrRun();
            else
                literal();
        }
        return m_produced;
    }

private:
    void need(std::size_t bytes) const {
        if (m_size - m_pos < bytes)
            fail(kKhError);
    }
    void reserveOutput(std::size_t bytes) const {
        if (kKhBlock - m_produced < bytes)
            fail(kKhError);
    }
    void literal() {
        reserveOutput(1);
        m_out[m_produced++] = m_in[m_pos++];
    }
    void copyOrRun();

    const Byte* m_in;
    std::size_t m_size;
    Byte* m_out;
    std::size_t m_pos = 0;
    std::size_t m_produced = 0;
};

void KhDecoder::copyOrRun() {
    need(2);
    const unsigned a = m_in[m_pos];
    const unsigned b = m_in[m_pos + 1];
    const std::size_t offset = a * 16 + (b >> 4);
    if (offset == 0) {
        need(4);
        const std::size_t count = b * 256 + m_in[m_pos + 2] + kKhMinRun;
        reserveOutput(count);
        std::memset(m_out + m_produced, m_in[m_pos + 3], count);
        m_produced += count;
        m_pos += 4;
        return;
    }
    const std::size_t length = (b & 15) + kKhMinMatch;
    if (offset > m_produced)
        fail(kKhError);
    reserveOutput(length);
    Byte* to = m_out + m_produced;
    const Byte* from = to - offset;
    if (offset >= length) {
        std::memcpy(to, from, length);
    } else {
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
    }
    m_produced += length;
    m_pos += 2;
}

// Decodes a stored or compressed block into `out`, which has room for one whole block.
std::size_t khDecodeBlock(const Byte* in, std::size_t size, Byte* out) {
    if (size == 0)
        fail(kKhError);
    if (in[0] == kKhStored) {
        if (size - 1 > kKhBlock)
            fail(kKhError);
        if (size > 1)
            std::memcpy(out, in + 1, size - 1);
        return size - 1;
    }
    if (in[0] != kKhCompressed)
        fail(kKhError);
    return KhDecoder(in, size, out).run();
}

std::string khCompressStream(std::string_view input) {
    const std::size_t blocks = input.size() / kKhBlock + 1;
    std::string out = streamWithHeader(kKhMagic, input, blocks * (2 + kKhBlock + kKhSlack));
    KhHashTable table;
    std::size_t at = kHeaderSize;
    for (std::size_t pos = 0;; pos += kKhBlock) {
        const std::size_t size = std::min(kKhBlock, input.size() - pos);
        Byte* slot = bytesOf(out) + at;
        const std::size_t length = khEncodeBlock(bytesOf(input) + pos, size, slot + 2, table);
        writeLittleEndian(slot, static_cast<std::uint32_t>(length), 2);
        at += 2 + length;
        if (size < kKhBlock)
            break;
    }
    out.resize(at);
    return out;
}

std::string khDecompressStream(const Byte* in, std::size_t size, std::uint32_t recorded) {
    std::string out(initialRoom(recorded, size), '\0');
    const std::size_t limit = std::size_t{recorded} + kKhBlock;
    std::size_t produced = 0;
    for (std::size_t pos = 0;;) {
        if (size - pos < 2)
            fail(kKhError);
        const std::size_t length = readLittleEndian(in + pos, 2);
        pos += 2;
        if (length == 0 || length > size - pos)
            fail(kKhError);
        ensureRoom(out, produced + kKhBlock, limit);
        const std::size_t got = khDecodeBlock(in + pos, length, bytesOf(out) + produced);
        pos += length;
        produced += got;
        if (produced > recorded)
            fail(kKhError);
        if (got < kKhBlock)
            break;
    }
    if (produced != recorded)
        fail(kKhError);
    out.resize(produced);
    return out;
}

// ---------------------------------------------------------------------------------------
// LZH method: a sliding dictionary whose output is coded with an adaptive Huffman tree.

constexpr int kRing = 4096;
constexpr int kLookAhead = 60;
constexpr int kThreshold = 2;
constexpr int kNil = kRing;
constexpr int kChars = 256 - kThreshold + kLookAhead;
constexpr int kNodes = kChars * 2 - 1;
constexpr int kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;
constexpr int kStart = kRing - kLookAhead;

// Codes for the upper six bits of a match position: a canonical prefix code with one
// 3-bit, three 4-bit, eight 5-bit, twelve 6-bit, 24 7-bit and sixteen 8-bit codes.
struct PositionCodes {
    std::array<Byte, 64> length{};
    std::array<Byte, 64> code{};
    std::array<Byte, 256> upperOfByte{};
    std::array<Byte, 256> lengthOfByte{};
};

constexpr PositionCodes makePositionCodes() {
    constexpr std::array<int, 9> countOfLength = {0, 0, 0, 1, 3, 8, 12, 24, 16};
    PositionCodes codes;
    int index = 0;
    unsigned next = 0;
    for (int length = 3; length <= 8; ++length) {
        for (int k = 0; k < countOfLength[length]; ++k, ++index) {
            codes.length[index] = static_cast<Byte>(length);
            codes.code[index] = static_cast<Byte>(next);
            for (unsigned span = 0; span < (1u << (8 - length)); ++span, ++next) {
                codes.upperOfByte[next] = static_cast<Byte>(index);
                codes.lengthOfByte[next] = static_cast<Byte>(length);
            }
        }
    }
    return codes;
}

constexpr PositionCodes kPositionCodes = makePositionCodes();
static_assert(kPositionCodes.code[4] == 0x50 && kPositionCodes.code[12] == 0x90 &&
              kPositionCodes.code[24] == 0xC0 && kPositionCodes.code[48] == 0xF0 &&
              kPositionCodes.code[63] == 0xFF && kPositionCodes.length[47] == 7);

class BitWriter {
public:
    void put(unsigned bit) {
        m_pending = static_cast<unsigned>(m_pending << 1 | bit);
        if (++m_count == 8) {
            m_out.push_back(static_cast<char>(m_pending));
            m_pending = 0;
            m_count = 0;
        }
    }
    void put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i)
            put(value >> i & 1);
    }
    std::string finish(std::string header) {
        while (m_count != 0)
            put(0);
        return header + m_out;
    }

private:
    std::string m_out;
    unsigned m_pending = 0;
    int m_count = 0;
};

class BitReader {
public:
    BitReader(const Byte* in, std::size_t size) : m_in(in), m_bits(size * 8) {}
    unsigned get() {
        if (m_pos >= m_bits)
            fail(kLzhError);
        const unsigned bit = m_in[m_pos >> 3] >> (7 - (m_pos & 7)) & 1;
        ++m_pos;
        return bit;
    }
    unsigned get(int bits) {
        unsigned value = 0;
        for (int i = 0; i < bits; ++i)
            value = value << 1 | get();
        return value;
    }

private:
    const Byte* m_in;
    std::size_t m_bits;
    std::size_t m_pos = 0;
};

// The adaptive code for literals and match lengths. Nodes are kept ordered by frequency;
// a leaf's code is the path from the root, 1 for the second child of a pair.
class AdaptiveHuffman {
public:
    AdaptiveHuffman();
    void encode(int symbol, BitWriter& out);
    int decode(BitReader& in);

private:
    void update(int symbol);
    void rebuild();

    std::array<unsigned, kNodes + 1> m_freq{};
    std::array<int, kNodes + kChars> m_parent{};
    std::array<int, kNodes> m_son{};
};

AdaptiveHuffman::AdaptiveHuffman() {
    for (int i = 0; i < kChars; ++i) {
        m_freq[i] = 1;
        m_son[i] = i + kNodes;
        m_parent[i + kNodes] = i;
    }
    for (int i = 0, j = kChars; j <= kRoot; i += 2, ++j) {
        m_freq[j] = m_freq[i] + m_freq[i + 1];
        m_son[j] = i;
        m_parent[i] = m_parent[i + 1] = j;
    }
    m_freq[kNodes] = 0xFFFF; // a sentinel above any real count stops the reordering scan
    m_parent[kRoot] = 0;
}

void AdaptiveHuffman::encode(int symbol, BitWriter& out) {
    // Collected leaf to root, sent root first; depth stays far below the node count.
    std::array<Byte, kNodes> path;
    int depth = 0;
    int node = m_parent[symbol + kNodes];
    do {
        path[depth++] = static_cast<Byte>(node & 1);
    } while ((node = m_parent[node]) != kRoot);
    while (depth > 0)
        out.put(path[--depth]);
    update(symbol);
}

int AdaptiveHuffman::decode(BitReader& in) {
    int node = m_son[kRoot];
    while (node < kNodes)
        node = m_son[node + static_cast<int>(in.get())];
    const int symbol = node - kNodes;
    update(symbol);
    return symbol;
}

void AdaptiveHuffman::update(int symbol) {
    if (m_freq[kRoot] == kMaxFreq)
        rebuild();
    int c = m_parent[symbol + kNodes];
    do {
        const unsigned k = ++m_freq[c];
        int l = c + 1;
        if (k > m_freq[l]) {
            while (k > m_freq[++l]) {
            }
            --l;
            m_freq[c] = m_freq[l];
            m_freq[l] = k;
            const int i = m_son[c];
            m_parent[i] = l;
            if (i < kNodes)
                m_parent[i + 1] = l;
            const int j = m_son[l];
            m_son[l] = i;
            m_parent[j] = c;
            if (j < kNodes)
                m_parent[j + 1] = c;
            m_son[c] = j;
            c = l;
        }
    } while ((c = m_parent[c]) != 0);
}

// Halves every leaf's count and builds the tree afresh, so old statistics fade.
void AdaptiveHuffman::rebuild() {
    int j = 0;
    for (int i = 0; i < kNodes; ++i) {
        if (m_son[i] >= kNodes) {
            m_freq[j] = (m_freq[i] + 1) / 2;
            m_son[j] = m_son[i];
            ++j;
        }
    }
    for (int i = 0, node = kChars; node < kNodes; i += 2, ++node) {
        const unsigned f = m_freq[i] + m_freq[i + 1];
        int k = node - 1;
        while (k > 0 && f < m_freq[k])
            --k;
        ++k;
        std::copy_backward(&m_freq[k], &m_freq[node], &m_freq[node + 1]);
        m_freq[k] = f;
        std::copy_backward(&m_son[k], &m_son[node], &m_son[node + 1]);
        m_son[k] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
        const int k = m_son[i];
        m_parent[k] = i;
        if (k < kNodes)
            m_parent[k + 1] = i;
    }
}

void encodePosition(unsigned position, BitWriter& out) {
    const unsigned upper = position >> 6;
    out.put(kPositionCodes.code[upper] >> (8 - kPositionCodes.length[upper]),
            kPositionCodes.length[upper]);
    out.put(position & 0x3F, 6);
}

unsigned decodePosition(BitReader& in) {
    unsigned first = in.get(8);
    const unsigned upper = kPositionCodes.upperOfByte[first];
    first = first << (kPositionCodes.lengthOfByte[first] - 2) |
            in.get(kPositionCodes.lengthOfByte[first] - 2);
    return upper << 6 | (first & 0x3F);
}

// Binary search trees over the ring buffer, one per first byte, that find the longest
// earlier string matching the look-ahead.
class MatchTree {
public:
    MatchTree();
    void insert(int r);
    void remove(int p);

    std::array<Byte, kRing + kLookAhead - 1> text{};
    int matchPosition = 0;
    int matchLength = 0;

private:
    void replace(int p, int r);

    std::array<int, kRing + 1> m_left{};
    std::array<int, kRing + 257> m_right{};
    std::array<int, kRing + 1> m_parent{};
};

MatchTree::MatchTree() {
    std::fill(m_right.begin() + kRing + 1, m_right.end(), kNil);
    std::fill(m_parent.begin(), m_parent.begin() + kRing, kNil);
}

void MatchTree::insert(int r) {
    const Byte* key = &text[r];
    int p = kRing + 1 + key[0];
    int cmp = 1;
    m_right[r] = m_left[r] = kNil;
    matchLength = 0;
    for (;;) {
        int& child = cmp >= 0 ? m_right[p] : m_left[p];
        if (child == kNil) {
            child = r;
            m_parent[r] = p;
            return;
        }
        p = child;
        int i = 1;
        while (i < kLookAhead && (cmp = key[i] - text[p + i]) == 0)
            ++i;
        if (i > kThreshold) {
            const int position = ((r - p) & (kRing - 1)) - 1;
            if (i > matchLength) {
                matchPosition = position;
                if ((matchLength = i) >= kLookAhead)
                    break;
            } else if (i == matchLength && position < matchPosition) {
                matchPosition = position;
            }
        }
    }
    replace(p, r);
}

// Node r takes over p's place: p holds the same look-ahead and is older.
void MatchTree::replace(int p, int r) {
    m_parent[r] = m_parent[p];
    m_left[r] = m_left[p];
    m_right[r] = m_right[p];
    m_parent[m_left[p]] = r;
    m_parent[m_right[p]] = r;
    if (m_right[m_parent[p]] == p)
        m_right[m_parent[p]] = r;
    else
        m_left[m_parent[p]] = r;
    m_parent[p] = kNil;
}

void MatchTree::remove(int p) {
    if (m_parent[p] == kNil)
        return;
    int q;
    if (m_right[p] == kNil) {
        q = m_left[p];
    } else if (m_left[p] == kNil) {
        q = m_right[p];
    } else {
        q = m_left[p];
        if (m_right[q] != kNil) {
            do {
                q = m_right[q];
            } while (m_right[q] != kNil);
            m_right[m_parent[q]] = m_left[q];
            m_parent[m_left[q]] = m_parent[q];
            m_left[q] = m_left[p];
            m_parent[m_left[p]] = q;
        }
        m_right[q] = m_right[p];
        m_parent[m_right[p]] = q;
    }
    m_parent[q] = m_parent[p];
    if (m_right[m_parent[p]] == p)
        m_right[m_parent[p]] = q;
    else
        m_left[m_parent[p]] = q;
    m_parent[p] = kNil;
}

struct LzhEncoder {
    std::string_view input;
    std::size_t next = 0;
    MatchTree tree;
    AdaptiveHuffman huffman;
    BitWriter bits;

    void emit(int length, int r);
    std::string run(std::string header);
};

void LzhEncoder::emit(int length, int r) {
    if (length <= kThreshold) {
        huffman.encode(tree.text[r], bits);
    } else {
        huffman.encode(255 - kThreshold + length, bits);
        encodePosition(static_cast<unsigned>(tree.matchPosition), bits);
    }
}

std::string LzhEncoder::run(std::string header) {
    std::fill(tree.text.begin(), tree.text.begin() + kStart, ' ');
    int s = 0;
    int r = kStart;
    int len = 0;
    for (; len < kLookAhead && next < input.size(); ++len)
        tree.text[r + len] = static_cast<Byte>(input[next++]);
    for (int i = 1; i <= kLookAhead; ++i)
        tree.insert(r - i);
    tree.insert(r);
    while (len > 0) {
        const int length =
            std::min(tree.matchLength, len) <= kThreshold ? 1 : std::min(tree.matchLength, len);
        emit(length, r);
        int i = 0;
        for (; i < length && next < input.size(); ++i) {
            tree.remove(s);
            const Byte c = static_cast<Byte>(input[next++]);
            tree.text[s] = c;
            if (s < kLookAhead - 1)
                tree.text[s + kRing] = c;
            s = (s + 1) & (kRing - 1);
            r = (r + 1) & (kRing - 1);
            tree.insert(r);
        }
        for (; i < length; ++i) {
            tree.remove(s);
            s = (s + 1) & (kRing - 1);
            r = (r + 1) & (kRing - 1);
            if (--len > 0)
                tree.insert(r);
        }
    }
    return bits.finish(std::move(header));
}

std::string lzhCompressStream(std::string_view input) {
    std::string header = streamWithHeader(kLzhMagic, input, 0);
    if (input.empty())
        return header;
    auto encoder = std::make_unique<LzhEncoder>();
    encoder->input = input;
    return encoder->run(std::move(header));
}

std::string lzhDecompressStream(const Byte* in, std::size_t size, std::uint32_t recorded) {
    std::string out(initialRoom(recorded, size), '\0');
    if (recorded == 0)
        return out;
    auto huffman = std::make_unique<AdaptiveHuffman>();
    BitReader bits(in, size);
    std::array<Byte, kRing> ring{};
    std::fill(ring.begin(), ring.begin() + kStart, ' ');
    int r = kStart;
    std::size_t produced = 0;
    while (produced < recorded) {
        const int symbol = huffman->decode(bits);
        // A literal is stored first and then copied like a one-byte match of itself.
        int from = r;
        int length = 1;
        if (symbol >= 256) {
            from = (r - static_cast<int>(decodePosition(bits)) - 1) & (kRing - 1);
            length = symbol - 255 + kThreshold;
        } else {
            ring[r] = static_cast<Byte>(symbol);
        }
        if (static_cast<std::size_t>(length) > recorded - produced)
            fail(kLzhError);
        ensureRoom(out, produced + static_cast<std::size_t>(length), recorded);
        for (int k = 0; k < length; ++k) {
            const Byte c = ring[(from + k) & (kRing - 1)];
            out[produced++] = static_cast<char>(c);
            ring[r] = c;
            r = (r + 1) & (kRing - 1);
        }
    }
    out.resize(produced);
    return out;
}

} // namespace

std::string KhCompressBlock(std::string_view block) {
    if (block.size() > kKhBlock)
        fail("Compressor : a KH block holds at most 32768 bytes !");
    std::string out(block.size() + kKhSlack, '\0');
    KhHashTable table;
    out.resize(khEncodeBlock(bytesOf(block), block.size(), bytesOf(out), table));
    return out;
}

std::string KhDecompressBlock(std::string_view block) {
    std::string out(kKhBlock, '\0');
    out.resize(khDecodeBlock(bytesOf(block), block.size(), bytesOf(out)));
    return out;
}

CompressionMethod Advise(std::string_view input, int thresholdPercent) {
    if (input.size() < 3 * kKhBlock)
        return CompressionMethod::LZH;
    const std::size_t first = input.size() / 3 / kKhBlock * kKhBlock;
    const std::size_t second = input.size() * 2 / 3 / kKhBlock * kKhBlock;
    const std::size_t packed = KhCompressBlock(input.substr(first, kKhBlock)).size() +
                               KhCompressBlock(input.substr(second, kKhBlock)).size();
    const bool poor =
        packed * 100 >= static_cast<std::size_t>(std::max(thresholdPercent, 0)) * 2 * kKhBlock;
    return poor ? CompressionMethod::LZH : CompressionMethod::KH;
}

std::string Compress(std::string_view input, CompressionMethod method, int adviseThresholdPercent) {
    if (method == CompressionMethod::Advise)
        method = Advise(input, adviseThresholdPercent);
    return method == CompressionMethod::LZH ? lzhCompressStream(input) : khCompressStream(input);
}

std::string Decompress(std::string_view stream) {
    if (stream.size() < kHeaderSize)
        fail(kHeaderError);
    const std::string_view magic = stream.substr(0, 4);
    const std::uint32_t recorded = readLittleEndian(bytesOf(stream) + 4, 4);
    const Byte* data = bytesOf(stream) + kHeaderSize;
    const std::size_t size = stream.size() - kHeaderSize;
    if (magic == kKhMagic)
        return khDecompressStream(data, size, recorded);
    if (magic == kLzhMagic)
        return lzhDecompressStream(data, size, recorded);
    fail(kHeaderError);
}

} // namespace velloran
