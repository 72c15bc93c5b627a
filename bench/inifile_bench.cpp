// How settings-file work scales with the file's size: parsing, one-key writes, text.
#include "platform/inifile.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string settingsText(int sections) {
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[Section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 8; ++k)
            text += "Key" + std::to_string(k) + " = \"value " + std::to_string(s * k) + "\"\r\n";
        text += "\r\n";
    }
    return text;
}

void BM_Parse(benchmark::State& state) {
    const std::string text = settingsText(static_cast<int>(state.range(0)));
    velloran::IniFile ini("/nonexistent/bench.ini");
    for (auto _ : state) {
        ini.parse(text);
        benchmark::DoNotOptimize(ini);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_WriteLastKey(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    velloran::IniFile ini("/nonexistent/bench.ini");
    ini.parse(settingsText(sections));
    const std::string section = "section" + std::to_string(sections - 1);
    int n = 0;
    for (auto _ : state)
        ini.writeString(section, "key7", std::to_string(n++));
}

void BM_ReadLastKey(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    velloran::IniFile ini("/nonexistent/bench.ini");
    ini.parse(settingsText(sections));
    const std::string section = "SECTION" + std::to_string(sections - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.readString(section, "KEY7", ""));
}

} // namespace

BENCHMARK(BM_Parse)->Arg(10)->Arg(1000);
BENCHMARK(BM_WriteLastKey)->Arg(10)->Arg(1000);
BENCHMARK(BM_ReadLastKey)->Arg(10)->Arg(1000);
