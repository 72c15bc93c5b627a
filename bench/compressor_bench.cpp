// KH packing and unpacking throughput on synthetic HTML, the method every image uses.
#include "editor/compressor.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>

namespace {

std::string syntheticHtml(std::size_t size) {
    std::string text;
    text.reserve(size + 256);
    for (int i = 0; text.size() < size; ++i) {
        text += "<tr class=\"row" + std::to_string(i % 13) + "\"><td>" + std::to_string(i * 7919) +
                "</td><td><a href=\"page" + std::to_string(i % 101) +
                ".html\">link</a></td></tr>\r";
        if (i % 50 == 0)
            text += "<!-- " + std::string(static_cast<std::size_t>(i % 60), '-') + " -->\r";
    }
    text.resize(size);
    return text;
}

const std::string& input() {
    static const std::string text = syntheticHtml(1 << 20);
    return text;
}

void BM_KhCompress(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(velloran::Compress(input(), velloran::CompressionMethod::KH));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input().size()));
}

void BM_KhDecompress(benchmark::State& state) {
    const std::string packed = velloran::Compress(input(), velloran::CompressionMethod::KH);
    for (auto _ : state)
        benchmark::DoNotOptimize(velloran::Decompress(packed));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input().size()));
}

} // namespace

BENCHMARK(BM_KhCompress);
BENCHMARK(BM_KhDecompress);
