// Highlighting speed: a whole page from scratch, one keystroke in the middle, a comment
// opened at the top (visible lines first, then the rest), and the image compressor.
#include "benchdata.h"
#include "editor/compressor.h"
#include "editor/editmodel.h"
#include "editor/languages/languages.h"
#include "editor/parserimage.h"
#include "platform/atomicfile.h"
#include "webfiles.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <exception>
#include <memory>
#include <string>

namespace {

using velloran::EditModel;
using velloran::Position;
using Clock = std::chrono::steady_clock;

const velloran::TCodeMemoParser& htmlParser() {
    static const velloran::TCodeMemoParser parser(velloran::HtmlLanguage());
    return parser;
}

std::string smallPage() {
    std::string page = "<HTML><HEAD><TITLE>Rows</TITLE></HEAD>\n<BODY>\n<TABLE>\n";
    for (int i = 0; page.size() < 512 * 1024; ++i)
        page += "<TR><TD CLASS=\"c\">row " + std::to_string(i) +
                " &nbsp; <A HREF=\"http://example.com/" + std::to_string(i) +
                ".htm\">link</A></TD><TD ALIGN=\"right\">100</TD></TR>\n";
    return page + "</TABLE>\n</BODY></HTML>\n";
}

// A named input of the data folder, or the small page; empty (and the benchmark
// skipped) when the file cannot be read.
std::string input(benchmark::State& state, const char* name) {
    if (velloran::bench::DataDir().empty())
        return smallPage();
    try {
        return velloran::ReadWholeFile(velloran::bench::DataDir() + "/" + name);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return {};
    }
}

std::unique_ptr<EditModel> highlightedModel(benchmark::State& state, const char* name) {
    std::string bytes = input(state, name);
    if (bytes.empty())
        return nullptr;
    auto model = std::make_unique<EditModel>();
    model->setParser(&htmlParser());
    model->loadFromBytes(std::move(bytes));
    model->highlightAll();
    return model;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void highlightFromScratch(benchmark::State& state, std::string bytes,
                          const velloran::TCodeMemoParser& parser) {
    EditModel model;
    model.loadFromBytes(std::move(bytes));
    for (auto _ : state) {
        model.setParser(&parser); // forgets every token number
        model.highlightAll();
    }
    state.SetBytesProcessed(state.iterations() * model.length());
}

void BM_HighlightFromScratch(benchmark::State& state) {
    std::string bytes = input(state, "site.htm");
    if (!bytes.empty())
        highlightFromScratch(state, std::move(bytes), htmlParser());
}
BENCHMARK(BM_HighlightFromScratch)->Unit(benchmark::kMillisecond);

// Today's web at the sizes of a big site (a quick megabyte without a data folder).
std::size_t webSize(std::size_t full) {
    return velloran::bench::DataDir().empty() ? std::size_t{1} << 20 : full;
}

void BM_HighlightHtml5FromScratch(benchmark::State& state) {
    highlightFromScratch(state, velloran::bench::Html5Page(webSize(50'000'000)), htmlParser());
}
BENCHMARK(BM_HighlightHtml5FromScratch)->Unit(benchmark::kMillisecond);

void BM_HighlightCssFromScratch(benchmark::State& state) {
    static const velloran::TCodeMemoParser parser(velloran::CssLanguage());
    highlightFromScratch(state, velloran::bench::StyleSheetFile(webSize(20'000'000)), parser);
}
BENCHMARK(BM_HighlightCssFromScratch)->Unit(benchmark::kMillisecond);

void BM_HighlightJavaScriptFromScratch(benchmark::State& state) {
    static const velloran::TCodeMemoParser parser(velloran::JavaScriptLanguage());
    highlightFromScratch(state, velloran::bench::ScriptModule(webSize(20'000'000)), parser);
}
BENCHMARK(BM_HighlightJavaScriptFromScratch)->Unit(benchmark::kMillisecond);

void BM_HighlightTagSoupFromScratch(benchmark::State& state) {
    highlightFromScratch(state, velloran::bench::TagSoup(webSize(5'000'000)), htmlParser());
}
BENCHMARK(BM_HighlightTagSoupFromScratch)->Unit(benchmark::kMillisecond);

// Resident memory added by a page loaded and highlighted to its end.
void BM_HighlightedPageMemory(benchmark::State& state) {
    for (auto _ : state) {
        const std::size_t before = velloran::bench::ResidentBytes();
        const auto model = highlightedModel(state, "site.htm");
        if (!model)
            return;
        const double growth =
            static_cast<double>(velloran::bench::ResidentBytes()) - static_cast<double>(before);
        state.counters["rss_growth_MB"] = growth / (1024.0 * 1024.0);
        state.counters["ratio_to_file"] = growth / static_cast<double>(model->length());
        state.counters["store_MB"] =
            static_cast<double>(model->store().memoryBytes()) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_HighlightedPageMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// A letter typed into text in the middle of the page changes no later token.
void BM_HighlightKeystrokeInTheMiddle(benchmark::State& state) {
    const auto model = highlightedModel(state, "site.htm");
    if (!model)
        return;
    const std::string text = model->store().text(0, model->length());
    const auto cell = text.find("<TD", text.size() / 2);
    const auto at = static_cast<Position>(text.find('>', cell) + 1);
    for (auto _ : state) {
        model->setSel(at, at);
        model->typeCharacter('x');
        const Clock::time_point start = Clock::now();
        model->highlightAll();
        state.SetIterationTime(secondsSince(start));
        model->undo();
        model->highlightAll();
    }
}
BENCHMARK(BM_HighlightKeystrokeInTheMiddle)->UseManualTime()->Unit(benchmark::kMicrosecond);

// "<!--" typed at the top: the first screenful at once, then the rest of the page.
void BM_CommentOpenedAtTheTop(benchmark::State& state, const char* name) {
    const auto model = highlightedModel(state, name);
    if (!model)
        return;
    double visible = 0;
    double all = 0;
    for (auto _ : state) {
        model->setSel(0, 0);
        model->replaceSel("<!--");
        const Clock::time_point start = Clock::now();
        model->highlight(60, start);
        visible += secondsSince(start);
        model->highlightAll();
        const double total = secondsSince(start);
        all += total;
        state.SetIterationTime(total);
        model->undo();
        model->highlightAll();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["visible_ms"] = 1000 * visible / n;
    state.counters["all_ms"] = 1000 * all / n;
}
BENCHMARK_CAPTURE(BM_CommentOpenedAtTheTop, test_xml, "test.xml")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CommentOpenedAtTheTop, site_htm, "site.htm")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

std::string imageData(benchmark::State&) {
    return velloran::WriteParserData(velloran::HtmlLanguage());
}

std::string pageData(benchmark::State& state) {
    return input(state, "site.htm");
}

void BM_KhCompress(benchmark::State& state, std::string (*data)(benchmark::State&)) {
    const std::string bytes = data(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(velloran::Compress(bytes, velloran::CompressionMethod::KH));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK_CAPTURE(BM_KhCompress, html_image, imageData);
BENCHMARK_CAPTURE(BM_KhCompress, site_htm, pageData)->Unit(benchmark::kMillisecond);

void BM_KhDecompress(benchmark::State& state, std::string (*data)(benchmark::State&)) {
    const std::string bytes = data(state);
    const std::string packed = velloran::Compress(bytes, velloran::CompressionMethod::KH);
    for (auto _ : state)
        benchmark::DoNotOptimize(velloran::Decompress(packed));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK_CAPTURE(BM_KhDecompress, html_image, imageData);
BENCHMARK_CAPTURE(BM_KhDecompress, site_htm, pageData)->Unit(benchmark::kMillisecond);

} // namespace
