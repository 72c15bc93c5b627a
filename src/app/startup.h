// The decisions of start-up, hand-over and exit that need no window: what to open, and
// whether the documents let the program close.
#pragma once

#include "app/appstate.h"
#include "platform/handover.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class Prompter;

inline constexpr std::string_view kTutorialProject = "tutorial/velloran.vpr";

struct OpenRequest {
    enum class Kind { Nothing, Project, File };
    Kind kind = Kind::Nothing;
    std::string name;
};

// Every parameter joined by single blanks, so a name with blanks that arrived split
// into several parameters is rebuilt.
[[nodiscard]] std::string JoinParameters(const std::vector<std::string>& parameters);
// A relative name made absolute against `currentDir`; the receiving instance runs in
// another folder.
[[nodiscard]] std::string AbsoluteName(const std::string& name, const std::string& currentDir);
// The hand-over text cut to fit the channel with its terminator.
[[nodiscard]] std::string HandoverText(const std::vector<std::string>& parameters,
                                       const std::string& currentDir);
[[nodiscard]] bool IsProjectName(std::string_view name);
// A received hand-over text names one file or project.
[[nodiscard]] OpenRequest RequestForName(const std::string& name);

// What the first instance opens when its window is shown. Without parameters this
// lists the tutorial (when `tutorial` is non-empty) on a first start and opens the
// most recent project; with parameters only the first counts.
[[nodiscard]] OpenRequest ChooseStartupRequest(const std::vector<std::string>& parameters,
                                               AppState& state, const std::string& tutorial);

// The open documents as the exit question sees them.
class DocumentSet {
public:
    virtual ~DocumentSet() = default;
    [[nodiscard]] virtual size_t documentCount() const = 0;
    [[nodiscard]] virtual bool isModified(size_t index) const = 0;
    [[nodiscard]] virtual std::string documentName(size_t index) const = 0;
    // Saves the document (an untitled one asks for a name). Returns false when the
    // write failed or the name was declined: either way closing would lose the text.
    virtual bool saveDocument(size_t index) = 0;
};

[[nodiscard]] std::string SaveQuestionText(const std::string& fileName);

// Asks about every modified document in order. Returns false when the user chose
// Cancel or a save failed: the program must then stay open and write nothing, since
// closing would throw away the text that could not be written.
[[nodiscard]] bool ConfirmCloseDocuments(DocumentSet& documents, Prompter& prompter);

// Before a publish: one question for every modified document `inProject` accepts.
// Yes saves them all, No publishes what is on disk; false for Cancel or a failed save.
[[nodiscard]] bool
ConfirmSaveBeforePublish(DocumentSet& documents, Prompter& prompter,
                         const std::function<bool(const std::string&)>& inProject);

} // namespace velloran
