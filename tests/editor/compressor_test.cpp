// Tests of the image compressor: KH block layout, stream framing, round trips of both
// methods, the advice, and rejection of malformed streams.
#include "editor/compressor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace velloran;
using namespace std::literals;

namespace {

const std::string kKhError =
    "Compressor (decompression Compressor/KH) : Original and compressed sizes do not match !";
const std::string kLzhError =
    "Compressor (LZH decompression) : Original and compressed sizes do not match !";
const std::string kHeaderError =
    "Compressor decompression : input stream contains no valid header !";

std::string randomBytes(std::size_t size, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string htmlText(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "<tr><td class=\"c" + std::to_string(i % 7) + "\">row " + std::to_string(i) +
                "</td><td>" + std::string(static_cast<std::size_t>(i % 40), ' ') + "</td></tr>\r";
    text.resize(size);
    return text;
}

std::string header(std::string_view magic, std::uint32_t size) {
    std::string out(magic);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(size >> (8 * i));
    return out;
}

std::string errorOf(std::string_view stream) {
    try {
        (void)Decompress(stream);
    } catch (const ECompressorException& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(CompressorKhBlock, RunsCopiesLiteralsAndStoredBlocks) {
    const std::string run20 = KhCompressBlock(std::string(20, 'a'));
    EXPECT_EQ(run20, "\x40\x80\x00\x00\x00\x04\x61"s); // one run item: 4 more than 16
    EXPECT_EQ(KhDecompressBlock(run20), std::string(20, 'a'));

    // Fifteen is too short for a run: a literal, then a copy from one byte back.
    const std::string run15 = KhCompressBlock(std::string(15, 'a'));
    EXPECT_EQ(run15, "\x40\x40\x00\x61\x00\x1B"s);
    EXPECT_EQ(KhDecompressBlock(run15), std::string(15, 'a'));

    EXPECT_EQ(KhDecompressBlock("\x80"), "");
    EXPECT_EQ(KhDecompressBlock("\x80xyz"), "xyz");
    const std::string noise = randomBytes(32768);
    const std::string stored = KhCompressBlock(noise);
    EXPECT_EQ(stored.size(), 32769u);
    EXPECT_EQ(stored[0], '\x80');
    EXPECT_EQ(KhDecompressBlock(stored), noise);
    EXPECT_EQ(KhCompressBlock("ab"), "\x80"
                                     "ab");
    EXPECT_THROW((void)KhCompressBlock(std::string(32769, 'a')), ECompressorException);
}

TEST(CompressorKhBlock, DecodesControlWordsOverlappingCopiesAndRuns) {
    // Sixteen literals use up the first control word; the next one follows them.
    const std::string items = "\x40\x00\x00"
                              "abcdefghijklmnop"
                              "\xC0\x00"
                              "\x00\x22"
                              "\x00\x01\x02z"s;
    EXPECT_EQ(KhDecompressBlock(items), "abcdefghijklmnopopopo" + std::string(274, 'z'));
    // Exactly sixteen items (fifteen literals and a run) leave an empty control word behind.
    const std::string sixteen = KhCompressBlock("0123456789abcde" + std::string(40, '-'));
    EXPECT_EQ(sixteen.substr(sixteen.size() - 2), "\x00\x00"s);
    EXPECT_EQ(KhDecompressBlock(sixteen), "0123456789abcde" + std::string(40, '-'));
}

TEST(CompressorLzh, SpacesMatchThePrefilledWindowAndDecodingStopsAtTheRecordedSize) {
    // Leading spaces are copied out of the window before any byte has been written.
    const std::string spaces = std::string(600, ' ') + "x";
    EXPECT_EQ(Decompress(Compress(spaces, CompressionMethod::LZH)), spaces);
    const std::string text = htmlText(3000);
    const std::string packed = Compress(text, CompressionMethod::LZH);
    EXPECT_EQ(Decompress(header("!HZL", 10) + packed.substr(8)), text.substr(0, 10));
}

TEST(CompressorKhStream, BlockMultiplesEndWithAnEmptyStoredBlock) {
    EXPECT_EQ(Compress(""), header("WRZL", 0) + "\x01\x00\x80"s);
    for (std::size_t size : {32768u, 65536u}) {
        const std::string packed = Compress(htmlText(size));
        EXPECT_EQ(packed.substr(packed.size() - 3), "\x01\x00\x80"s) << size;
        EXPECT_EQ(Decompress(packed), htmlText(size));
    }
    const std::string noise = randomBytes(40000);
    const std::string packed = Compress(noise);
    EXPECT_EQ(packed.size(), 8 + 2 + 32769 + 2 + (40000 - 32768) + 1);
    EXPECT_EQ(Decompress(packed), noise);
}

TEST(CompressorRoundTrip, BothMethodsRestoreEveryKindOfInput) {
    const std::size_t sizes[] = {0, 1, 2, 3, 17, 61, 4097, 32767, 32768, 32769, 100000};
    for (std::size_t size : sizes) {
        const std::string inputs[] = {htmlText(size), randomBytes(size, 7),
                                      std::string(size, 'x') + htmlText(size / 3)};
        for (const std::string& input : inputs) {
            for (CompressionMethod method : {CompressionMethod::KH, CompressionMethod::LZH}) {
                const std::string packed = Compress(input, method);
                EXPECT_EQ(packed.substr(0, 4), method == CompressionMethod::KH ? "WRZL" : "!HZL");
                ASSERT_EQ(Decompress(packed), input) << size << " " << static_cast<int>(method);
            }
        }
    }
    // Text shrinks with either method, and LZH beats KH on it.
    const std::string text = htmlText(50000);
    EXPECT_LT(Compress(text, CompressionMethod::LZH).size(), Compress(text).size());
    EXPECT_LT(Compress(text).size(), text.size() / 2);
}

TEST(CompressorAdvise, SmallOrIncompressibleInputsGetLzhAndRepetitiveOnesKh) {
    EXPECT_EQ(Advise(htmlText(98303)), CompressionMethod::LZH);
    EXPECT_EQ(Advise(htmlText(400000)), CompressionMethod::KH);
    EXPECT_EQ(Advise(randomBytes(400000)), CompressionMethod::LZH);
    EXPECT_EQ(Advise(htmlText(400000), 0), CompressionMethod::LZH);
    const std::string big = htmlText(200000);
    const std::string packed = Compress(big, CompressionMethod::Advise);
    EXPECT_EQ(packed.substr(0, 4), "WRZL");
    EXPECT_EQ(Decompress(packed), big);
    EXPECT_EQ(Compress("tiny", CompressionMethod::Advise).substr(0, 4), "!HZL");
}

TEST(CompressorErrors, MalformedStreamsThrowTheirMethodsText) {
    EXPECT_EQ(errorOf("WRZL\x01"), kHeaderError);
    EXPECT_EQ(errorOf(header("ABCD", 0) + "\x01\x00\x80"s), kHeaderError);

    const std::string text = htmlText(70000);
    const std::string kh = Compress(text);
    EXPECT_EQ(errorOf(kh.substr(0, kh.size() - 1)), kKhError);
    EXPECT_EQ(errorOf(kh.substr(0, 8) + kh.substr(8, 2 + 100)), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 69999) + kh.substr(8)), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 0) + "\x00\x00"s), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 3) + "\x05\x00\x40\x80\x00\x00\x10"s), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 3) + "\x04\x00\x40\x80\x00\x00"s), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 3) + "\x04\x00\x21xyz"s), kKhError);
    // Eight of the longest runs exceed what one block can hold.
    std::string runs = "\x23\x00\x40\xFF\x00"s;
    for (int i = 0; i < 8; ++i)
        runs += "\x00\x0F\xFF\x61"s;
    EXPECT_EQ(errorOf(header("WRZL", 0xFFFFFFFF) + runs), kKhError);
    EXPECT_EQ(errorOf(header("WRZL", 4111 * 7) + runs.substr(0, 31)), kKhError);
    EXPECT_THROW((void)KhDecompressBlock(""), ECompressorException);
    EXPECT_THROW((void)KhDecompressBlock("\x40\x00"), ECompressorException);

    const std::string lzh = Compress(text, CompressionMethod::LZH);
    EXPECT_EQ(errorOf(lzh.substr(0, lzh.size() - 20)), kLzhError);
    EXPECT_EQ(errorOf(header("!HZL", 70100) + lzh.substr(8)), kLzhError);
    EXPECT_EQ(errorOf(header("!HZL", 0xFFFFFFFF) + "\xFF"s), kLzhError);
    EXPECT_EQ(Decompress(header("!HZL", 0)), "");
}
