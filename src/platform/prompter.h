// The user-facing questions and choices every piece of logic asks through, so that the
// logic runs the same under real dialogs and under a scripted fake in tests.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velloran {

enum class MessageKind { Information, Warning, Error, Confirmation };

enum class Answer { Ok, Cancel, Yes, No, All };

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoAll };

// A file dialog request; `filter` is in the "Name|*.a;*.b|Name|*.c" form.
struct FileRequest {
    std::string title;
    std::string folder;
    std::string fileName;
    std::string filter;
    int filterIndex = 1; // counted from 1, as the filter strings are written
    std::string defaultExt;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    virtual Answer message(MessageKind kind, const std::string& text, Buttons buttons) = 0;
    // The chosen file's full name, or nothing when the user cancelled.
    virtual std::optional<std::string> openFile(const FileRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileRequest& request) = 0;
    // Several existing files in the order the dialog gives them; empty when cancelled.
    virtual std::vector<std::string> openFiles(const FileRequest& request);
    virtual std::optional<std::string>
    inputText(const std::string& title, const std::string& prompt, const std::string& initial) = 0;
    // Shows or ends the busy cursor; calls nest.
    virtual void setBusy(bool busy) = 0;
};

// Holds the busy cursor for one scope, also when the scope ends by an exception.
class BusyCursor {
public:
    explicit BusyCursor(Prompter& prompter) : m_prompter(prompter) { m_prompter.setBusy(true); }
    ~BusyCursor() { m_prompter.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Prompter& m_prompter;
};

// A prompter for tests: records every question and returns planned answers in order.
// An unplanned question answers Cancel (or nothing) so that a missing plan shows up
// as a visible difference rather than as a hang.
class ScriptedPrompter : public Prompter {
public:
    struct Record {
        MessageKind kind;
        std::string text;
        Buttons buttons;
    };

    void planAnswer(Answer answer) { m_answers.push_back(answer); }
    void planFile(std::optional<std::string> file) { m_files.push_back(std::move(file)); }
    void planInput(std::optional<std::string> text) { m_inputs.push_back(std::move(text)); }
    void planFiles(std::vector<std::string> files) { m_fileLists.push_back(std::move(files)); }

    Answer message(MessageKind kind, const std::string& text, Buttons buttons) override;
    std::optional<std::string> openFile(const FileRequest& request) override;
    std::optional<std::string> saveFile(const FileRequest& request) override;
    std::vector<std::string> openFiles(const FileRequest& request) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    void setBusy(bool busy) override;

    std::vector<Record> messages;
    std::vector<FileRequest> fileRequests;
    int busyDepth = 0;
    int busyPeak = 0;

private:
    std::optional<std::string> nextFile();

    std::deque<Answer> m_answers;
    std::deque<std::optional<std::string>> m_files;
    std::deque<std::optional<std::string>> m_inputs;
    std::deque<std::vector<std::string>> m_fileLists;
};

} // namespace velloran
