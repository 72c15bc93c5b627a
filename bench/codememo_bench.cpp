// The editor control on the big page, each figure taken until the repaint has finished:
// from the open request to the first paint, Ctrl+End, a typed character and Page Down,
// and the memory the page costs once it is open and highlighted to its end.
#include "benchdata.h"
#include "editor/builtinparsers.h"
#include "editor/ui/codememo.h"
#include "platform/paths.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using velloran::TCodeMemo;
using Clock = std::chrono::steady_clock;

const velloran::BuiltinParsers& parsers() {
    static const velloran::BuiltinParsers loaded =
        velloran::LoadBuiltinParsers(velloran::ProgramDir(), {});
    return loaded;
}

// Notes each paint of the control's viewport.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* viewport) { viewport->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

struct Editor {
    std::unique_ptr<TCodeMemo> memo = std::make_unique<TCodeMemo>();
    std::unique_ptr<PaintWatch> watch;

    Editor() {
        memo->resize(1000, 700);
        memo->setParser(1, parsers().forRuleSet(velloran::kHtmlRuleSet));
        memo->setActiveParser(1);
        watch = std::make_unique<PaintWatch>(memo->viewport());
    }

    // Seconds from the start of `action` to the end of the repaint it causes.
    double untilPainted(const std::function<void()>& action) {
        watch->painted = false;
        const Clock::time_point start = Clock::now();
        action();
        while (!watch->painted)
            QCoreApplication::processEvents();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(memo.get(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::sendEvent(memo.get(), &release);
    }

    void highlightToTheEnd() {
        while (memo->model().highlightPending())
            QCoreApplication::processEvents();
    }
};

std::string sitePath(benchmark::State& state) {
    const std::string path = velloran::bench::DataDir() + "/site.htm";
    if (velloran::bench::DataDir().empty() || !std::filesystem::exists(path)) {
        state.SkipWithError("needs site.htm in the data folder");
        return {};
    }
    return path;
}

double median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// First, while the process holds no freed memory that would hide the growth.
void BM_OpenAndHighlightedMemory(benchmark::State& state) {
    const std::string path = sitePath(state);
    if (path.empty())
        return;
    for (auto _ : state) {
        const std::size_t before = velloran::bench::ResidentBytes();
        Editor editor;
        editor.memo->loadFromFile(path);
        editor.memo->show();
        editor.highlightToTheEnd();
        const double growth =
            static_cast<double>(velloran::bench::ResidentBytes()) - static_cast<double>(before);
        state.counters["rss_growth_MB"] = growth / (1024.0 * 1024.0);
        state.counters["ratio_to_file"] =
            growth / static_cast<double>(std::filesystem::file_size(path));
    }
}
BENCHMARK(BM_OpenAndHighlightedMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OpenToFirstPaintAndCtrlEnd(benchmark::State& state) {
    const std::string path = sitePath(state);
    if (path.empty())
        return;
    for (auto _ : state) {
        Editor editor;
        const double open = editor.untilPainted([&] {
            editor.memo->loadFromFile(path);
            editor.memo->show();
        });
        const double end =
            editor.untilPainted([&] { editor.key(Qt::Key_End, Qt::ControlModifier); });
        state.SetIterationTime(open + end);
        state.counters["open_ms"] = open * 1e3;
        state.counters["ctrl_end_ms"] = end * 1e3;
    }
}
BENCHMARK(BM_OpenToFirstPaintAndCtrlEnd)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_TypingAndPageDown(benchmark::State& state) {
    const std::string path = sitePath(state);
    if (path.empty())
        return;
    Editor editor;
    editor.memo->loadFromFile(path);
    editor.memo->show();
    editor.highlightToTheEnd();
    editor.memo->select(editor.memo->model().length() / 2, editor.memo->model().length() / 2);
    for (auto _ : state) {
        std::vector<double> typed;
        for (int i = 0; i < 1000; ++i)
            typed.push_back(editor.untilPainted([&] { editor.key(Qt::Key_X, {}, "x"); }));
        std::vector<double> paged;
        for (int i = 0; i < 200; ++i)
            paged.push_back(editor.untilPainted([&] { editor.key(Qt::Key_PageDown); }));
        state.SetIterationTime(median(typed));
        state.counters["key_median_ms"] = median(typed) * 1e3;
        state.counters["page_down_median_ms"] = median(paged) * 1e3;
    }
}
BENCHMARK(BM_TypingAndPageDown)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
