// Runs "--export=FORMAT FILE": reads the file and streams it out in that format, before
// any window or display is touched.
#include "app/exportcommand.h"

#include "app/programpaths.h"
#include "editor/builtinparsers.h"
#include "editor/exporter.h"
#include "editor/highlighter.h"
#include "editor/textstore.h"
#include "platform/atomicfile.h"
#include "platform/encoding.h"
#include "platform/errors.h"
#include "platform/memorybudget.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <exception>
#include <new>
#include <string_view>
#include <sys/stat.h>

namespace velloran {

namespace {

constexpr std::string_view kOption = "--export";
constexpr std::string_view kUsage = "usage: velloran --export=text|rtf|html FILE";

struct ExportRequest {
    int optionCount = 0;
    std::string format;
    std::vector<std::string> files;
};

bool isExportOption(std::string_view arg) {
    return arg == kOption || (arg.starts_with(kOption) && arg[kOption.size()] == '=');
}

ExportRequest parse(const std::vector<std::string>& args) {
    ExportRequest request;
    for (const std::string& arg : args) {
        if (isExportOption(arg)) {
            ++request.optionCount;
            request.format = arg.substr(std::min(arg.size(), kOption.size() + 1));
        } else {
            request.files.push_back(arg);
        }
    }
    return request;
}

std::optional<SaveFormat> formatNamed(std::string_view name) {
    if (name == "text")
        return SaveFormat::Text;
    if (name == "rtf")
        return SaveFormat::Rtf;
    if (name == "html")
        return SaveFormat::Html;
    return std::nullopt;
}

int fail(std::ostream& err, std::string message, int status) {
    // A file name may carry a line break; the message stays one line for scripts.
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << "velloran: " << message << '\n';
    return status;
}

int usageError(std::ostream& err, const std::string& problem) {
    return fail(err, problem + " (" + std::string(kUsage) + ")", kExitUsageError);
}

// The request is checked before any file is read, so a usage error never reads one.
std::optional<std::string> usageProblem(const ExportRequest& request) {
    if (request.optionCount > 1)
        return "--export given more than once";
    if (request.format.empty())
        return "--export needs a format";
    if (!formatNamed(request.format))
        return "unknown export format '" + request.format + "'";
    if (request.files.empty())
        return "--export needs a file name";
    if (request.files.size() > 1)
        return "--export takes one file name";
    return std::nullopt;
}

constexpr std::string_view kMemoryLimitWhy = "the free memory allows at most";

// What an export may take: an eighth of the free memory stays for the machine.
std::uint64_t exportBudget() {
    const std::uint64_t available = AvailableMemory();
    return available - available / 8;
}

// The file's bytes with every line end made one CR, and for plain text what each was.
// An export holds nothing else of a size that grows with the file.
struct LoadedFile {
    std::string text;
    Encoding encoding = Encoding::Utf8;
    std::vector<LineEnd> lineEnds;
};

LoadedFile loadFile(const std::string& fileName, bool keepLineEnds) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0 && errno == ENOENT)
        throw FileError("File '" + fileName + "' cannot be opened for reading");
    const std::uint64_t budget = exportBudget();
    LoadedFile file;
    file.text = ReadWholeFile(fileName, {budget, kMemoryLimitWhy});
    file.encoding = DetectEncoding(file.text);
    if (keepLineEnds) {
        // At most one entry per CR and per LF, beside the text already read.
        const std::string_view text = file.text;
        const auto breaks = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n') +
                                                       std::count(text.begin(), text.end(), '\r'));
        const std::uint64_t size = text.size();
        if (size + breaks > budget) {
            file.text = std::string();
            const auto allowed = static_cast<std::uint64_t>(
                static_cast<long double>(budget) * static_cast<long double>(size) /
                static_cast<long double>(size + breaks));
            throw FileError(FileTooLargeText(fileName, size, {allowed, kMemoryLimitWhy}));
        }
        file.lineEnds.reserve(static_cast<std::size_t>(breaks));
    }
    NormalizeLineBreaks(file.text, keepLineEnds ? &file.lineEnds : nullptr);
    return file;
}

// Standard output as an export sink.
class StreamSink : public ExportSink {
public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    void write(std::string_view bytes) override {
        m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!m_out)
            throw OutputError();
    }

    struct OutputError {};

private:
    std::ostream& m_out;
};

// Writes the file's export to `out` as it is made. Plain text is the file's bytes with
// each line end as it was read, so it is never highlighted; the other formats take the
// colours of the language the extension selects, as in the editor, highlighting as
// they go rather than keeping a token number for every character.
void exportFile(const std::string& fileName, SaveFormat format, std::ostream& out,
                std::ostream& err) {
    const bool text = format == SaveFormat::Text;
    BuiltinParsers parsers;
    const TCodeMemoParser* parser = nullptr;
    if (!text) {
        const ProgramPaths paths = CurrentProgramPaths();
        parsers = LoadBuiltinParsers(paths.appDir, paths.dataDirs);
        for (const std::string& problem : parsers.errors)
            err << "velloran: warning: " << problem << '\n';
        parser = parsers.forRuleSet(RuleSetForFileName(fileName));
    }
    const LoadedFile file = loadFile(fileName, text);
    const StyleSheet sheet = parser ? parser->styleSheet() : StyleSheet{};
    ExportSource source{.text = file.text,
                        .sheet = sheet,
                        .encoding = file.encoding,
                        .title = fileName,
                        .date = text ? std::string() : LocalDateText(),
                        .lineEnds = file.lineEnds};
    std::optional<TokenStream> tokens;
    if (parser && sheet.highlight) {
        tokens.emplace(*parser, file.text);
        source.readTokens = [&tokens](std::size_t pos, std::size_t count, std::uint8_t* numbers) {
            tokens->read(pos, count, numbers);
        };
    }
    StreamSink sink(out);
    WriteFormat(format, source, sink);
}

} // namespace

std::string LocalDateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = {};
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return {};
    return text;
}

bool IsExportCommand(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), isExportOption);
}

std::optional<int> RunExportCommand(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err) {
    const ExportRequest request = parse(args);
    if (request.optionCount == 0)
        return std::nullopt;
    if (const auto problem = usageProblem(request))
        return usageError(err, *problem);
    try {
        exportFile(request.files.front(), *formatNamed(request.format), out, err);
        out.flush();
    } catch (const StreamSink::OutputError&) {
        return fail(err, "cannot write to standard output", kExitFileError);
    } catch (const std::bad_alloc&) {
        return fail(err,
                    "File is too large to export: \"" + request.files.front() +
                        "\"; there is not enough memory for it.",
                    kExitFileError);
    } catch (const std::exception& error) {
        return fail(err, error.what(), kExitFileError);
    }
    if (!out)
        return fail(err, "cannot write to standard output", kExitFileError);
    return 0;
}

} // namespace velloran
