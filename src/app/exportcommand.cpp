// Runs "--export=FORMAT FILE": loads the file into an editing model and writes it out in
// that format, before any window or display is touched.
#include "app/exportcommand.h"

#include "app/programpaths.h"
#include "editor/builtinparsers.h"

#include "editor/editmodel.h"
#include "platform/errors.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <new>
#include <string_view>

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

std::string exportFile(const std::string& fileName, SaveFormat format, std::ostream& err) {
    EditModel model;
    // Colours come from the language the extension selects, as in the editor.
    const ProgramPaths paths = CurrentProgramPaths();
    const BuiltinParsers parsers = LoadBuiltinParsers(paths.appDir, paths.dataDirs);
    for (const std::string& problem : parsers.errors)
        err << "velloran: warning: " << problem << '\n';
    model.setParser(parsers.forRuleSet(RuleSetForFileName(fileName)));
    model.loadFromFile(fileName);
    model.setTitle(fileName);
    model.dateText = LocalDateText;
    model.setSaveFormat(format);
    return model.saveToString();
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

std::optional<int> RunExportCommand(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err) {
    const ExportRequest request = parse(args);
    if (request.optionCount == 0)
        return std::nullopt;
    if (const auto problem = usageProblem(request))
        return usageError(err, *problem);
    std::string bytes;
    try {
        bytes = exportFile(request.files.front(), *formatNamed(request.format), err);
    } catch (const std::bad_alloc&) {
        return fail(err,
                    "File is too large to export: \"" + request.files.front() +
                        "\"; there is not enough memory for it.",
                    kExitFileError);
    } catch (const std::exception& error) {
        return fail(err, error.what(), kExitFileError);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        return fail(err, "cannot write to standard output", kExitFileError);
    return 0;
}

} // namespace velloran
