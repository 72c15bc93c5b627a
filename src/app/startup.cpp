// Command-line, hand-over and exit rules of the application shell.
#include "app/startup.h"

#include "app/settings.h"
#include "platform/paths.h"
#include "platform/prompter.h"

namespace velloran {

std::string JoinParameters(const std::vector<std::string>& parameters) {
    std::string text;
    for (const auto& parameter : parameters) {
        if (!text.empty())
            text += ' ';
        text += parameter;
    }
    return text;
}

std::string AbsoluteName(const std::string& name, const std::string& currentDir) {
    if (name.empty() || name.front() == '/' || currentDir.empty())
        return name;
    std::string dir = currentDir;
    if (dir.back() != '/')
        dir += '/';
    return dir + name;
}

std::string HandoverText(const std::vector<std::string>& parameters,
                         const std::string& currentDir) {
    if (parameters.empty())
        return {};
    return CutToLength(AbsoluteName(JoinParameters(parameters), currentDir), kHandoverLimit - 1);
}

bool IsProjectName(std::string_view name) {
    return AsciiLower(ExtractFileExt(name)) == ".vpr";
}

OpenRequest RequestForName(const std::string& name) {
    if (name.empty())
        return {};
    return {IsProjectName(name) ? OpenRequest::Kind::Project : OpenRequest::Kind::File, name};
}

OpenRequest ChooseStartupRequest(const std::vector<std::string>& parameters, AppState& state,
                                 const std::string& tutorial) {
    if (!parameters.empty())
        return RequestForName(parameters.front());
    if (state.recentProjects.empty() && !tutorial.empty())
        state.recentProjects.push_back(tutorial);
    if (state.recentProjects.empty())
        return {};
    return {OpenRequest::Kind::Project, state.recentProjects.front()};
}

std::string SaveQuestionText(const std::string& fileName) {
    return "File \"" + fileName + "\" has changed.\rDo you wish to save the changes ?";
}

bool ConfirmCloseDocuments(DocumentSet& documents, Prompter& prompter) {
    for (size_t i = 0; i < documents.documentCount(); ++i) {
        if (!documents.isModified(i))
            continue;
        const Answer answer =
            prompter.message(MessageKind::Confirmation, SaveQuestionText(documents.documentName(i)),
                             Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return false;
        if (answer == Answer::Yes && !documents.saveDocument(i))
            return false;
    }
    return true;
}

bool ConfirmSaveBeforePublish(DocumentSet& documents, Prompter& prompter,
                              const std::function<bool(const std::string&)>& inProject) {
    std::vector<size_t> changed;
    std::string names;
    for (size_t i = 0; i < documents.documentCount(); ++i) {
        if (documents.isModified(i) && inProject(documents.documentName(i))) {
            changed.push_back(i);
            names += documents.documentName(i) + "\r";
        }
    }
    if (changed.empty())
        return true;
    const Answer answer =
        prompter.message(MessageKind::Confirmation,
                         "Documents of the project have changed:\r" + names +
                             "Do you wish to save the changes before publishing ?",
                         Buttons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes) {
        for (const size_t i : changed) {
            if (!documents.saveDocument(i))
                return false;
        }
    }
    return true;
}

} // namespace velloran
