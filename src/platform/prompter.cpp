// The scripted prompter used by tests.
#include "platform/prompter.h"

namespace velloran {

std::vector<std::string> Prompter::openFiles(const FileRequest& request) {
    if (auto file = openFile(request))
        return {std::move(*file)};
    return {};
}

Answer ScriptedPrompter::message(MessageKind kind, const std::string& text, Buttons buttons) {
    messages.push_back({kind, text, buttons});
    if (m_answers.empty())
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompter::nextFile() {
    if (m_files.empty())
        return std::nullopt;
    auto file = std::move(m_files.front());
    m_files.pop_front();
    return file;
}

std::optional<std::string> ScriptedPrompter::openFile(const FileRequest& request) {
    fileRequests.push_back(request);
    return nextFile();
}

std::optional<std::string> ScriptedPrompter::saveFile(const FileRequest& request) {
    fileRequests.push_back(request);
    return nextFile();
}

std::vector<std::string> ScriptedPrompter::openFiles(const FileRequest& request) {
    if (m_fileLists.empty())
        return Prompter::openFiles(request);
    fileRequests.push_back(request);
    auto files = std::move(m_fileLists.front());
    m_fileLists.pop_front();
    return files;
}

std::optional<std::string> ScriptedPrompter::inputText(const std::string&, const std::string&,
                                                       const std::string&) {
    if (m_inputs.empty())
        return std::nullopt;
    auto text = std::move(m_inputs.front());
    m_inputs.pop_front();
    return text;
}

void ScriptedPrompter::setBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
    if (busyDepth > busyPeak)
        busyPeak = busyDepth;
}

} // namespace velloran
