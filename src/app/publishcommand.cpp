// Runs "--publish PROJECT.vpr [--dry-run]".
#include "app/publishcommand.h"

#include "app/exportcommand.h"
#include "ftp/passwordstore.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "project/projectformat.h"
#include "publish/publishsession.h"

#include <algorithm>
#include <filesystem>

namespace velloran {

namespace {

constexpr std::string_view kUsage = "usage: velloran --publish PROJECT.vpr [--dry-run]";

int fail(std::ostream& err, std::string message, int status) {
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << "velloran: " << message << '\n';
    return status;
}

std::string FileLine(const PlannedFile& file) {
    return std::string(SendReasonText(file.reason)) + "\t" + file.remotePath + "\t" +
           ByteSizeText(file.local.size);
}

} // namespace

std::optional<int> RunPublishCommand(const std::vector<std::string>& args, std::ostream& out,
                                     std::ostream& err, const std::string& serversFile,
                                     const std::string& settingsFile) {
    if (std::find(args.begin(), args.end(), "--publish") == args.end())
        return std::nullopt;
    bool dryRun = false;
    std::vector<std::string> projects;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dry-run")
            dryRun = true;
        else if (args[i] != "--publish")
            projects.push_back(args[i]);
    }
    if (projects.size() != 1 || std::count(args.begin(), args.end(), std::string("--publish")) != 1)
        return fail(err, "--publish takes one project file (" + std::string(kUsage) + ")",
                    kExitUsageError);
    const std::string projectFile = std::filesystem::absolute(projects.front()).string();
    try {
        ProjectTree tree;
        const ProjectReadResult read = ReadProject(ReadWholeFile(projectFile), tree);
        if (read.refusal)
            return fail(err,
                        projectFile + " is no project: line " + std::to_string(read.refusal->line) +
                            ": " + read.refusal->reason,
                        kExitFileError);
        PublishState state = PublishState::Load(PublishState::FileFor(projectFile));
        if (state.settings.profile.empty())
            return fail(err,
                        "no server is chosen for " + projectFile +
                            "; choose one with Publish Project... in the program",
                        kExitFileError);
        PasswordStore keyring;
        const ServerLogin login = ReadServerProfile(serversFile, state.settings.profile, &keyring);
        PublishSession session;
        session.applyProxySettings(settingsFile);
        // No question can be asked here: an identity not yet trusted ends the publish.
        session.connect(login);
        const PublishPlan plan = session.plan(tree, projectFile, state);
        for (const SkippedFile& skipped : plan.skipped)
            out << "skipped\t" << skipped.localPath << "\t" << skipped.why << '\n';
        if (dryRun) {
            for (const PlannedFile& file : plan.send)
                out << FileLine(file) << '\n';
            out << plan.send.size() << " to send (" << ByteSizeText(plan.totalBytes()) << "), "
                << plan.unchanged << " unchanged\n";
            return 0;
        }
        PublishEvents events;
        events.fileDone = [&out](const PlannedFile& file) { out << FileLine(file) << std::endl; };
        const PublishResult result = session.publish(plan, state, events);
        out << result.sent << " sent, " << plan.unchanged << " unchanged\n";
        if (!result.ok())
            return fail(err, "publish stopped: " + (result.aborted ? "aborted" : result.error),
                        kExitFileError);
        return 0;
    } catch (const VelloranError& error) {
        return fail(err, error.what(), kExitFileError);
    }
}

} // namespace velloran
