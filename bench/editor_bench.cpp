// How the editing model copes with big documents; the figures are read, never asserted.
// Covered: loading, memory, single edits, line look-ups, replace-all with undo, search,
// export and saving.
#include "benchdata.h"
#include "editor/editmodel.h"
#include "platform/atomicfile.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

using velloran::EditModel;
using velloran::Position;
using Clock = std::chrono::steady_clock;

constexpr double kMB = 1024.0 * 1024.0;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename F>
double timed(F&& work) {
    const Clock::time_point start = Clock::now();
    work();
    return secondsSince(start);
}

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

// ---- Small inputs for runs without the big files ----

// Page sections much like the big generated page, ending with the same marker, so the
// search benchmark finds its word only at the very end.
std::string syntheticHtml(std::size_t bytes) {
    std::string page = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<HTML>\n"
                       "<HEAD><TITLE>Specials</TITLE></HEAD>\n<BODY BGCOLOR=\"#FFFFFF\">\n";
    for (int n = 0; page.size() < bytes; ++n) {
        const std::string id = std::to_string(n);
        page += "<!-- section " + id + " -->\n<TABLE WIDTH=\"100%\" BORDER=0>\n";
        page += "<TR><TD><FONT FACE=\"Arial\" SIZE=2>Steel hinge " + id +
                "</FONT></TD><TD ALIGN=RIGHT><B>$" + std::to_string(n % 300) +
                ".99</B></TD></TR>\n";
        page += "<TR><TD COLSPAN=2><A HREF=\"http://www.example.com/cart.cgi?sku=" + id +
                "&amp;q=1\">Buy&nbsp;now</A> &mdash; while supplies last.</TD></TR>\n"
                "</TABLE>\n<HR SIZE=1 NOSHADE>\n";
    }
    return page + "<P><FONT SIZE=1>PBEND-HTM &nbsp; Last updated</FONT></P>\n</BODY>\n</HTML>\n";
}

// Catalogue items with ten "thing" each and prices and counts of 100 and 200.
std::string syntheticXml(int items) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalog>\n";
    for (int i = 0; i < items; ++i) {
        const std::string id = std::to_string(i);
        const char* price = i % 3 == 0 ? "100" : i % 3 == 1 ? "200" : "57";
        xml += "  <item id=\"I" + id + "\">\n    <name>Brass thing " + id + "</name>\n";
        xml += "    <category code=\"" + std::string(price) + "\">valve thing</category>\n";
        xml += "    <price currency=\"USD\">" + std::string(price) + ".00</price>\n";
        xml += "    <description>A small thing that holds the big thing; fits any "
               "thing.</description>\n    <notes>Every thing ships with a thing; ratio "
               "thing 200:1.</notes>\n";
        xml += "    <tags><tag>thing</tag></tags><related ref=\"thing-" + id + "\"/>\n  </item>\n";
    }
    return xml + "  <status>PBEND-XML complete</status>\n</catalog>\n";
}

// ---- Inputs ----

// Bytes in an anonymous in-memory file, so that loading by name can run without a
// data folder.
class MemoryFile {
public:
    explicit MemoryFile(const std::string& bytes)
        : m_fd(memfd_create("velloran-bench", MFD_CLOEXEC)) {
        if (m_fd < 0 ||
            ::write(m_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            m_failed = true;
    }
    ~MemoryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    [[nodiscard]] bool failed() const noexcept { return m_failed; }
    [[nodiscard]] std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
    bool m_failed = false;
};

constexpr std::size_t kSmallHtmlBytes = 512 * 1024;
constexpr int kSmallXmlItems = 1500;

// A file to load by name: the big page, or a small one in memory.
struct PageFile {
    std::string path;
    std::unique_ptr<MemoryFile> memory;
    bool real = false;
};

std::optional<PageFile> pageFile(benchmark::State& state) {
    PageFile file;
    if (!velloran::bench::DataDir().empty()) {
        file.path = velloran::bench::DataDir() + "/site.htm";
        file.real = true;
        if (!velloran::FileExists(file.path)) {
            state.SkipWithError(("missing input " + file.path).c_str());
            return std::nullopt;
        }
        return file;
    }
    file.memory = std::make_unique<MemoryFile>(syntheticHtml(kSmallHtmlBytes));
    file.path = file.memory->path();
    if (file.memory->failed()) {
        state.SkipWithError("cannot make an in-memory file");
        return std::nullopt;
    }
    return file;
}

// The bytes of a named input, or a small stand-in; false (and the benchmark skipped)
// when a data folder was given but the file cannot be read.
bool readInput(benchmark::State& state, const char* name, std::string (*makeSmall)(),
               std::string& bytes) {
    if (velloran::bench::DataDir().empty()) {
        bytes = makeSmall();
        return true;
    }
    try {
        bytes = velloran::ReadWholeFile(velloran::bench::DataDir() + "/" + name);
        return true;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
}

// The big page loaded once and shared by the benchmarks that edit, look up, search and
// export; each leaves the text as it found it.
EditModel* sharedPage(benchmark::State& state) {
    static std::unique_ptr<EditModel> model;
    static std::string error;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::string bytes;
        if (!readInput(
                state, "site.htm", [] { return syntheticHtml(kSmallHtmlBytes); }, bytes))
            return nullptr;
        model = std::make_unique<EditModel>();
        model->loadFromBytes(std::move(bytes));
    }
    if (!model)
        state.SkipWithError("the shared page could not be loaded");
    return model.get();
}

// ---- Outside measurements ----

// Wall time of `wc -l file`, start-up included; the best of three runs, or nothing when
// it cannot be run.
std::optional<double> lineCountToolSeconds(const std::string& path) {
    double best = -1;
    for (int run = 0; run < 3; ++run) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("wc"), const_cast<char*>("-l"),
                        const_cast<char*>(path.c_str()), nullptr};
        const Clock::time_point start = Clock::now();
        pid_t pid = 0;
        int status = 0;
        const bool ran = posix_spawnp(&pid, "wc", &actions, nullptr, argv, environ) == 0 &&
                         ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                         WEXITSTATUS(status) == 0;
        const double seconds = secondsSince(start);
        posix_spawn_file_actions_destroy(&actions);
        if (!ran)
            return std::nullopt;
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

// ---- Loading and memory ----

void BM_LoadFile(benchmark::State& state) {
    const std::optional<PageFile> file = pageFile(state);
    if (!file)
        return;
    std::vector<double> samples;
    std::int64_t lines = 0;
    for (auto _ : state) {
        auto model = std::make_unique<EditModel>();
        const double seconds = timed([&] { model->loadFromFile(file->path); });
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        lines = model->lineCount();
    }
    const double load = median(samples);
    state.counters["median_ms"] = load * 1e3;
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file->path)));
    if (file->real) {
        if (const std::optional<double> wc = lineCountToolSeconds(file->path)) {
            state.counters["wc_ms"] = *wc * 1e3;
            state.counters["ratio_to_wc"] = load / *wc;
        }
    }
}
BENCHMARK(BM_LoadFile)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LoadMemory(benchmark::State& state) {
    const std::optional<PageFile> file = pageFile(state);
    if (!file)
        return;
    const double fileBytes = static_cast<double>(std::filesystem::file_size(file->path));
    for (auto _ : state) {
        EditModel model;
        const std::size_t before = velloran::bench::ResidentBytes();
        model.loadFromFile(file->path);
        const double growth =
            static_cast<double>(velloran::bench::ResidentBytes()) - static_cast<double>(before);
        state.counters["rss_growth_MB"] = growth / kMB;
        state.counters["ratio_to_file"] = growth / fileBytes;
        state.counters["store_MB"] = static_cast<double>(model.store().memoryBytes()) / kMB;
        state.counters["file_MB"] = fileBytes / kMB;
    }
}
BENCHMARK(BM_LoadMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- Single edits on the big page ----

enum class EditOp { InsertEnd, InsertMiddle, InsertStart, Delete, Undo, Redo };

// One timed operation; the untimed steps around it put the text back, so the page
// neither grows nor collects an unbounded undo log.
double timedEdit(EditModel& model, EditOp op) {
    switch (op) {
    case EditOp::InsertEnd:
    case EditOp::InsertMiddle:
    case EditOp::InsertStart: {
        const double seconds = timed([&] { model.typeCharacter('x'); });
        model.undo();
        return seconds;
    }
    case EditOp::Delete: {
        const double seconds = timed([&] { model.executeCommand(velloran::caDELETE, false); });
        model.undo();
        return seconds;
    }
    case EditOp::Undo:
        model.typeCharacter('x');
        return timed([&] { model.undo(); });
    case EditOp::Redo: {
        model.typeCharacter('x');
        model.undo();
        const double seconds = timed([&] { model.redo(); });
        model.undo();
        return seconds;
    }
    }
    return 0;
}

void BM_Edit(benchmark::State& state, EditOp op) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    const Position at = op == EditOp::InsertEnd     ? model->length()
                        : op == EditOp::InsertStart ? 0
                                                    : model->length() / 2;
    std::vector<double> samples;
    for (auto _ : state) {
        model->setSel(at, at);
        const double seconds = timedEdit(*model, op);
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    state.counters["median_us"] = median(samples) * 1e6;
    state.counters["max_us"] = samples.empty() ? 0 : *std::ranges::max_element(samples) * 1e6;
}
BENCHMARK_CAPTURE(BM_Edit, insert_end, EditOp::InsertEnd)->UseManualTime();
BENCHMARK_CAPTURE(BM_Edit, insert_middle, EditOp::InsertMiddle)->UseManualTime();
BENCHMARK_CAPTURE(BM_Edit, insert_start, EditOp::InsertStart)->UseManualTime();
BENCHMARK_CAPTURE(BM_Edit, delete_middle, EditOp::Delete)->UseManualTime();
BENCHMARK_CAPTURE(BM_Edit, undo_middle, EditOp::Undo)->UseManualTime();
BENCHMARK_CAPTURE(BM_Edit, redo_middle, EditOp::Redo)->UseManualTime();

// Typing into a soft-wrapped 120,000-byte line: the wrap is redone after each key.
std::string syntheticLongLines() {
    static const char* const kWords[] = {"steel", "hinge", "valve", "copper", "bracket"};
    std::string text;
    for (int line = 0; line < 2; ++line) {
        const std::size_t end = text.size() + 120'000;
        for (std::size_t i = 0; text.size() < end; ++i)
            text += std::string(kWords[i % 5]) + (i % 13 == 12 ? ". " : " ");
        text += '\n';
    }
    return text;
}

void BM_TypeInWrappedLongLine(benchmark::State& state) {
    std::string bytes;
    if (!readInput(state, "longlines.txt", syntheticLongLines, bytes))
        return;
    EditModel model;
    model.loadFromBytes(std::move(bytes));
    model.setWrapAtColumn(80);
    model.setWordWrap(true);
    const Position at = model.store().lineLength(0) / 2;
    std::vector<double> samples;
    for (auto _ : state) {
        model.setSel(at, at);
        const double seconds = timedEdit(model, EditOp::InsertMiddle);
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    state.counters["median_us"] = median(samples) * 1e6;
    state.counters["display_lines"] = static_cast<double>(model.lineCount());
}
BENCHMARK(BM_TypeInWrappedLongLine)->UseManualTime()->Unit(benchmark::kMicrosecond);

// ---- Line look-ups ----

constexpr std::size_t kLookups = 4096; // a power of two, so an index wraps with a mask

template <typename T>
std::vector<T> randomValues(T highest) {
    std::mt19937_64 random(42);
    std::uniform_int_distribution<T> pick(0, highest);
    std::vector<T> values(kLookups);
    for (T& value : values)
        value = pick(random);
    return values;
}

void BM_LineOfPosition(benchmark::State& state) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    const std::vector<Position> positions = randomValues<Position>(model->length());
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(model->store().lineOf(positions[i++ & (kLookups - 1)]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineOfPosition);

void BM_LineStartOfLine(benchmark::State& state) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    const std::vector<std::int64_t> lines = randomValues<std::int64_t>(model->lineCount() - 1);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(model->store().lineStart(lines[i++ & (kLookups - 1)]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineStartOfLine);

// ---- Replace all, then undo all ----

struct ReplaceCase {
    const char* find;
    const char* replacement;
    unsigned options;
};

void BM_ReplaceAll(benchmark::State& state, ReplaceCase job) {
    std::string original;
    if (!readInput(
            state, "test.xml", [] { return syntheticXml(kSmallXmlItems); }, original))
        return;
    EditModel model;
    int replaced = 0;
    double undoSeconds = 0;
    for (auto _ : state) {
        model.loadFromBytes(original);
        try {
            state.SetIterationTime(timed([&] {
                replaced = model.replaceAll(job.find, job.replacement, job.options, nullptr);
            }));
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        undoSeconds += timed([&] {
            while (model.canUndo())
                model.undo();
        });
        if (model.saveToString() != original) {
            state.SkipWithError("undoing every replacement did not restore the text");
            return;
        }
    }
    state.counters["replacements"] = replaced;
    state.counters["undo_ms"] = undoSeconds * 1e3 / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(original.size()));
}
BENCHMARK_CAPTURE(BM_ReplaceAll, thing,
                  ReplaceCase{"thing", "thang", velloran::kSearchNow | velloran::kMatchCase})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReplaceAll, regex_100_200,
                  ReplaceCase{"100|200", "EXACT",
                              velloran::kSearchNow | velloran::kMatchCase |
                                  velloran::kRegularExpression})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- Search and export on the big page ----

void BM_FindNearEnd(benchmark::State& state) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    Position found = -1;
    for (auto _ : state) {
        model->setSel(0, 0);
        // Lower case with match case off, so the case-folding path is what is measured.
        model->findText("pbend-htm", found, velloran::kSearchNow);
    }
    if (found < 0) {
        state.SkipWithError("the end marker was not found");
        return;
    }
    state.counters["searched_MB"] = static_cast<double>(found) / kMB;
    state.SetBytesProcessed(state.iterations() * found);
}
BENCHMARK(BM_FindNearEnd)->Unit(benchmark::kMillisecond);

void BM_ExportSelectionHtml(benchmark::State& state) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    model->selectAll();
    std::size_t written = 0;
    for (auto _ : state) {
        const std::string html = model->exportSelection(velloran::SaveFormat::Html);
        written = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    model->setSel(0, 0);
    state.counters["output_MB"] = static_cast<double>(written) / kMB;
    state.SetBytesProcessed(state.iterations() * model->length());
}
BENCHMARK(BM_ExportSelectionHtml)->Unit(benchmark::kMillisecond);

// Saving writes every line with its own line end, as it was read.
void BM_SaveText(benchmark::State& state) {
    EditModel* model = sharedPage(state);
    if (!model)
        return;
    std::size_t written = 0;
    for (auto _ : state) {
        const std::string text = model->saveToString();
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["output_MB"] = static_cast<double>(written) / kMB;
    state.SetBytesProcessed(state.iterations() * model->length());
}
BENCHMARK(BM_SaveText)->Unit(benchmark::kMillisecond);

} // namespace
