// Uploads a publish plan file by file, never leaving a half-written file under its
// final name.
#include "publish/publisher.h"

#include "ftp/asyncsocket.h"
#include "platform/errors.h"

#include <set>

namespace velloran {

namespace {

// Every folder from the top down to `dir`: "/a/b" -> "/a", "/a/b".
std::vector<std::string> FolderChain(const std::string& dir) {
    std::vector<std::string> chain;
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        chain.push_back(dir.substr(0, slash));
        if (slash == std::string::npos)
            break;
    }
    if (!chain.empty() && (chain.back().empty() || chain.back() == "/"))
        chain.pop_back();
    return chain;
}

} // namespace

std::string TemporaryRemoteName(const std::string& remotePath) {
    const std::string dir = RemoteFolderOf(remotePath);
    const std::string name = "." + RemoteNameOf(remotePath) + ".part";
    if (dir.empty())
        return name;
    return dir == "/" ? "/" + name : dir + "/" + name;
}

PublishResult Publish(const PublishPlan& plan, PublishState& state, PublishTarget& target,
                      const PublishEvents& events) {
    PublishResult result;
    auto log = [&events](const std::string& text) {
        if (events.log)
            events.log(text);
    };
    std::set<std::string> madeFolders;
    try {
        for (std::size_t i = 0; i < plan.send.size(); ++i) {
            const PlannedFile& file = plan.send[i];
            if (events.fileStarting)
                events.fileStarting(file, i, plan.send.size());
            for (const std::string& dir : FolderChain(RemoteFolderOf(file.remotePath))) {
                if (madeFolders.insert(dir).second)
                    target.makeFolder(dir);
            }
            const std::string temporary = TemporaryRemoteName(file.remotePath);
            target.upload(file.localPath, temporary);
            try {
                target.rename(temporary, file.remotePath);
            } catch (const EAbortError&) {
                throw;
            } catch (const VelloranError&) {
                if (file.reason == SendReason::New)
                    throw;
                // Some servers do not rename over an existing file. The old one goes
                // first then: for a moment the page is missing, but never half there.
                target.remove(file.remotePath);
                target.rename(temporary, file.remotePath);
            }
            state.files[file.remotePath] =
                PublishedFile{file.local.size, file.local.mtimeNs, file.local.sha256};
            state.save();
            ++result.sent;
            log(file.remotePath + " sent (" + SendReasonText(file.reason) + ")");
            if (events.fileDone)
                events.fileDone(file);
        }
    } catch (const EAbortError&) {
        result.aborted = true;
        log("Publish aborted after " + std::to_string(result.sent) + " of " +
            std::to_string(plan.send.size()) + " files");
    } catch (const VelloranError& error) {
        result.error = error.what();
        log("Publish stopped: " + result.error);
    }
    return result;
}

} // namespace velloran
