// Entry point of the benchmark binary, which takes --data=DIR for itself.
// The option is removed before the benchmark library sees it, which would reject it.
#include "benchdata.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#ifdef VELLORAN_BENCH_QT
#include "tools/ui/previewscheme.h"

#include <QApplication>
#endif

#include <cstdio>
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

std::size_t ResidentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long total = 0;
    unsigned long resident = 0;
    const int got = std::fscanf(statm, "%lu %lu", &total, &resident);
    std::fclose(statm);
    return got == 2 ? resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

} // namespace velloran::bench

int main(int argc, char** argv) {
#ifdef VELLORAN_BENCH_QT
    // The widgets' benchmarks need an application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    velloran::PrepareWebEngine();
    QApplication app(argc, argv);
#endif
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
