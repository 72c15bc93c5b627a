// Entry point of the benchmark binary, which takes --data=DIR for itself.
// The option is removed before the benchmark library sees it, which would reject it.
#include "benchdata.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace velloran::bench {

namespace {

std::string& dataDirStorage() {
    static std::string dir;
    return dir;
}

} // namespace

const std::string& DataDir() {
    return dataDirStorage();
}

} // namespace velloran::bench

int main(int argc, char** argv) {
    constexpr std::string_view kDataOption = "--data=";
    if (const char* env = std::getenv("VELLORAN_BENCH_DATA"))
        velloran::bench::dataDirStorage() = env;
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i > 0 && arg.starts_with(kDataOption))
            velloran::bench::dataDirStorage() = std::string(arg.substr(kDataOption.size()));
        else
            kept.push_back(argv[i]);
    }
    int keptCount = static_cast<int>(kept.size());
    kept.push_back(nullptr);
    benchmark::Initialize(&keptCount, kept.data());
    if (benchmark::ReportUnrecognizedArguments(keptCount, kept.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
