// The preview window on the web engine, each figure taken until the page has loaded:
// the first preview (the engine's start included), then refreshes of the tutorial's
// index page and of a 5 MB page.
#include "benchdata.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "tools/previewhost.h"
#include "tools/ui/tfhtmlview.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One document, current, as the main window would hand it over.
class OnePage : public velloran::PreviewHost {
public:
    explicit OnePage(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        m_page.fileName = path;
        m_page.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        m_page.encoding = velloran::DetectEncoding(m_page.text);
    }
    std::optional<velloran::PreviewDocument> currentDocument() const override { return m_page; }
    std::optional<velloran::PreviewDocument> openDocument(const std::string& name) const override {
        return name == m_page.fileName ? std::optional(m_page) : std::nullopt;
    }
    std::string settingsFileName() const override { return {}; }
    std::string layoutSuffix() const override { return {}; }

private:
    velloran::PreviewDocument m_page;
};

std::string tutorialPage(benchmark::State& state) {
    const std::string path = velloran::ProgramDir() + "tutorial/index.htm";
    if (!std::filesystem::exists(path))
        state.SkipWithError("needs the tutorial beside the program");
    return path;
}

// The data folder's 5 MB page when given, else one made here of the same size.
std::string bigPage() {
    const std::string given = velloran::bench::DataDir() + "/cp1252.htm";
    if (!velloran::bench::DataDir().empty() && std::filesystem::exists(given))
        return given;
    const std::string made = (std::filesystem::temp_directory_path() / "velloran-5mb.htm").string();
    if (!std::filesystem::exists(made)) {
        std::ofstream out(made, std::ios::binary);
        for (std::size_t written = 0; written < 5u << 20;) {
            const std::string line = "<P>A paragraph of the long page, <B>bold</B> and "
                                     "<A HREF=\"other.htm\">linked</A> " +
                                     std::to_string(written) + "</P>\r\n";
            out << line;
            written += line.size();
        }
    }
    return made;
}

// Seconds from the start of `action` to the end of the render it starts.
double untilRendered(velloran::TfHtmlView& view, const std::function<void()>& action) {
    bool done = false;
    const auto connection =
        QObject::connect(&view, &velloran::TfHtmlView::rendered, [&done] { done = true; });
    const Clock::time_point start = Clock::now();
    action();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// First of the preview benchmarks, so that the engine is not running yet.
void BM_PreviewFirstRender(benchmark::State& state) {
    const std::string path = tutorialPage(state);
    for (auto _ : state) {
        OnePage host(path);
        std::unique_ptr<velloran::TfHtmlView> view;
        bool done = false;
        const Clock::time_point start = Clock::now();
        view = std::make_unique<velloran::TfHtmlView>(host);
        QObject::connect(view.get(), &velloran::TfHtmlView::rendered, [&done] { done = true; });
        view->show();
        view->Refresh();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["first_ms"] = seconds * 1e3;
    }
}
BENCHMARK(BM_PreviewFirstRender)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void refreshes(benchmark::State& state, const std::string& path, int count) {
    OnePage host(path);
    velloran::TfHtmlView view(host);
    view.show();
    untilRendered(view, [&] { view.Refresh(); });
    for (auto _ : state) {
        std::vector<double> samples;
        for (int i = 0; i < count; ++i)
            samples.push_back(untilRendered(view, [&] { view.Refresh(); }));
        state.SetIterationTime(median(samples));
        state.counters["refresh_median_ms"] = median(samples) * 1e3;
        state.counters["refresh_max_ms"] = *std::max_element(samples.begin(), samples.end()) * 1e3;
    }
}

void BM_PreviewRefreshTutorial(benchmark::State& state) {
    const std::string path = tutorialPage(state);
    if (std::filesystem::exists(path))
        refreshes(state, path, 20);
}
BENCHMARK(BM_PreviewRefreshTutorial)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PreviewRefresh5MB(benchmark::State& state) {
    refreshes(state, bigPage(), 5);
}
BENCHMARK(BM_PreviewRefresh5MB)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
