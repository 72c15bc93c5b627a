// libFuzzer target: any bytes must decode to a result or a clean error under both methods,
// and small inputs must survive a round trip through either method.
#include "editor/compressor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using velloran::CompressionMethod;
using velloran::ECompressorException;

namespace {

constexpr std::size_t kRoundTripLimit = 1 << 14;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void checkRoundTrip(std::string_view input) {
    if (input.size() > kRoundTripLimit) {
        return;
    }
    for (CompressionMethod method : {CompressionMethod::KH, CompressionMethod::LZH}) {
        check(velloran::Decompress(velloran::Compress(input, method)) == input);
    }
    if (input.size() <= 32768) {
        check(velloran::KhDecompressBlock(velloran::KhCompressBlock(input)) == input);
    }
}

// Decoding must either succeed or throw the compressor's own error; whatever it yields
// must pack and unpack again unchanged.
void decodeAndRepack(const std::string& stream) {
    try {
        checkRoundTrip(velloran::Decompress(stream));
    } catch (const ECompressorException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    decodeAndRepack(std::string(input));
    decodeAndRepack("WRZL" + std::string(input));
    decodeAndRepack("!HZL" + std::string(input));
    try {
        (void)velloran::KhDecompressBlock(input);
    } catch (const ECompressorException&) {
    }
    checkRoundTrip(input);
    return 0;
}
