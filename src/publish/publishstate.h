// Where a project is published and what was last uploaded where: the "<project>.publish"
// file beside the project, which lets a publish send only what changed since the last one.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace velloran {

// What was last uploaded to one remote path.
struct PublishedFile {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0; // the local file's modification time, ns since the epoch
    std::string sha256;       // lower-case hex of the content that was sent

    friend bool operator==(const PublishedFile&, const PublishedFile&) = default;
};

struct PublishSettings {
    std::string profile; // a server profile of the FTP window
    // Remote folder that relative web locations start from; empty is the login folder.
    std::string baseDir;
    bool publishOnSave = false;
};

// The settings and the record of one project. Reading a missing file gives defaults
// and an empty record; every save replaces the file atomically, so an interrupted
// publish leaves the record of the files it finished.
class PublishState {
public:
    // "<project file without its extension>.publish".
    [[nodiscard]] static std::string FileFor(const std::string& projectFile);

    // Throws FileError when the file exists but cannot be read.
    static PublishState Load(const std::string& path);
    // Throws FileError, leaving the file as it was, when it cannot be written.
    void save() const;

    [[nodiscard]] const std::string& path() const noexcept { return m_path; }

    PublishSettings settings;
    std::map<std::string, PublishedFile> files; // by remote path

private:
    std::string m_path;
};

} // namespace velloran
