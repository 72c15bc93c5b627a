// The compressor that packs parser images: the KH method ("WRZL") used by every image,
// the LZH method ("!HZL"), and the advice that picks one of them for a given input.
#pragma once

#include "platform/errors.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace velloran {

class ECompressorException : public VelloranError {
public:
    using VelloranError::VelloranError;
};

enum class CompressionMethod { KH = 1, Advise = 2, LZH = 3 };

// A whole compressed stream: magic, uncompressed size, method data.
[[nodiscard]] std::string Compress(std::string_view input,
                                   CompressionMethod method = CompressionMethod::KH,
                                   int adviseThresholdPercent = 40);
// Reads a whole compressed stream of either method. Malformed input raises
// ECompressorException and never reads or writes out of bounds.
[[nodiscard]] std::string Decompress(std::string_view stream);

// The method `Advise` would choose for this input.
[[nodiscard]] CompressionMethod Advise(std::string_view input, int thresholdPercent = 40);

// One KH block of at most 32768 input bytes, and its decoding (for tests and fuzzing).
[[nodiscard]] std::string KhCompressBlock(std::string_view block);
[[nodiscard]] std::string KhDecompressBlock(std::string_view block);

} // namespace velloran
