// How fast a highlighted page exports as HTML: about 1 MB of markup, token numbers
// changing often; and the peak memory of the program's export of the big page.
#include "benchdata.h"
#include "editor/exporter.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Page {
    std::string text;
    std::vector<std::uint8_t> tokens;
};

Page syntheticPage(std::size_t bytes) {
    static const std::string kLines[] = {
        "<p class=\"note\">Caf\xC3\xA9 &amp; cr\xC3\xA8me &lt;br&gt;</p>\r",
        "\t<a href=\"/index.html?q=1&amp;r=2\">Home</a> \xE2\x82\xAC 5\r",
        "<script>if (a < b && c > d) { x = \"y\"; }</script>\r",
    };
    Page page;
    page.text.reserve(bytes + 128);
    for (std::size_t i = 0; page.text.size() < bytes; ++i)
        page.text += kLines[i % 3];
    // New token every 5 bytes, but never inside a UTF-8 character.
    std::uint8_t token = 0;
    for (std::size_t i = 0; i < page.text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(page.text[i]) & 0xC0) == 0x80;
        if (i % 5 == 0 && !continuation)
            token = static_cast<std::uint8_t>((token + 1) % 4);
        page.tokens.push_back(token);
    }
    return page;
}

velloran::StyleSheet benchSheet() {
    velloran::StyleSheet sheet;
    sheet.highlight = true;
    for (std::uint8_t t = 0; t < 4; ++t)
        sheet.tokenToStyle[t] = t;
    sheet.styles[1] = {velloran::kBold, 0x0000FF, 0xFFFFFF};
    sheet.styles[2] = {0, 0x008000, 0xFFFFFF};
    sheet.styles[3] = {velloran::kItalic, 0x800000, 0xFFFFFF};
    return sheet;
}

void BM_ExportHtml(benchmark::State& state) {
    const Page page = syntheticPage(1 << 20);
    const velloran::StyleSheet sheet = benchSheet();
    const velloran::ExportSource source{.text = page.text,
                                        .tokens = page.tokens,
                                        .sheet = sheet,
                                        .title = "bench.html",
                                        .date = "2024-01-01"};
    for (auto _ : state) {
        std::string out;
        velloran::WriteHtml(source, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.text.size()));
}

} // namespace

BENCHMARK(BM_ExportHtml);

namespace {

// The page to export: the data folder's, or a small one written for the run.
struct ExportInput {
    std::string path;
    bool temporary = false;
    ~ExportInput() {
        if (temporary)
            std::filesystem::remove(path);
    }
};

bool exportInput(benchmark::State& state, ExportInput& input) {
    if (!velloran::bench::DataDir().empty()) {
        input.path = velloran::bench::DataDir() + "/site.htm";
        if (velloran::FileExists(input.path))
            return true;
        state.SkipWithError(("missing input " + input.path).c_str());
        return false;
    }
    const Page page = syntheticPage(4 << 20);
    input.path = (std::filesystem::temp_directory_path() / "velloran-export-bench.htm").string();
    input.temporary = true;
    velloran::WriteFileAtomically(input.path, page.text);
    return true;
}

// Peak resident memory of "velloran --export=FORMAT page", its output thrown away, and
// that peak as a multiple of the file's size.
void BM_ExportPeakMemory(benchmark::State& state, const char* format) {
    ExportInput input;
    if (!exportInput(state, input))
        return;
    const std::string program = velloran::ProgramDir() + "velloran";
    long peakKiB = 0;
    for (auto _ : state) {
        peakKiB =
            velloran::bench::PeakKiBOf({program, std::string("--export=") + format, input.path});
        if (peakKiB < 0) {
            state.SkipWithError(("cannot run " + program).c_str());
            return;
        }
    }
    const auto size = static_cast<double>(std::filesystem::file_size(input.path));
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    state.counters["ratio_to_file"] = static_cast<double>(peakKiB) * 1024.0 / size;
}
BENCHMARK_CAPTURE(BM_ExportPeakMemory, text, "text")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportPeakMemory, rtf, "rtf")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportPeakMemory, html, "html")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
