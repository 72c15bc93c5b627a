// Entry point of the benchmark binary, which takes --data=DIR for itself.
// The option is removed before the benchmark library sees it, which would reject it.
#include "benchdata.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

int ReportPeakOf(char** args) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execv(args[0], args);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

long PeakKiBOf(const std::vector<std::string>& args) {
    std::vector<char*> argv = {const_cast<char*>("velloran_bench"), const_cast<char*>("--peak-of")};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    const pid_t launcher = ::fork();
    if (launcher == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string report;
    char buffer[64];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = 0;
    if (launcher < 0 || ::waitpid(launcher, &status, 0) != launcher || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || report.empty())
        return -1;
    return std::strtol(report.c_str(), nullptr, 10);
}

} // namespace velloran::bench

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "--peak-of")
        return velloran::bench::ReportPeakOf(argv + 2);
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
