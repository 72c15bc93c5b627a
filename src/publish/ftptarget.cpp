// Maps the publish operations onto FTP commands.
#include "publish/ftptarget.h"

#include "ftp/ftpclient.h"
#include "ftp/listparser.h"

#include <charconv>

namespace velloran {

FtpPublishTarget::FtpPublishTarget(TFtpClient& client) : m_client(client) {
    m_home = m_client.CurrentDirectory();
    if (m_home.empty())
        m_home.push_back('/');
    m_client.SetTransferType(2);
    m_commands = 2;
}

std::string FtpPublishTarget::absolute(const std::string& path) const {
    if (path.starts_with('/'))
        return path;
    if (path.empty())
        return m_home;
    std::string joined = m_home;
    if (!joined.ends_with('/'))
        joined += '/';
    joined += path;
    return joined;
}

std::optional<std::map<std::string, std::uint64_t>>
FtpPublishTarget::folderSizes(const std::string& dir) {
    ++m_commands;
    try {
        m_client.ChangeDirectory(absolute(dir));
    } catch (const FTPException&) {
        return std::nullopt;
    }
    std::map<std::string, std::uint64_t> sizes;
    auto before = m_client.OnListItem;
    m_client.OnListItem = [&sizes](const std::string& line) {
        const ParsedListLine parsed = ParseListLine(line, true);
        if (!parsed.item || parsed.item->imageIndex != 1)
            return;
        std::uint64_t size = 0;
        const std::string& text = parsed.item->size;
        if (std::from_chars(text.data(), text.data() + text.size(), size).ec == std::errc{})
            sizes[parsed.item->caption] = size;
    };
    struct Restore {
        TFtpClient& client;
        decltype(before)& handler;
        ~Restore() { client.OnListItem = std::move(handler); }
    } restore{m_client, before};
    m_commands += 2; // the data connection's set-up and LIST
    m_client.ListDirectory();
    return sizes;
}

void FtpPublishTarget::makeFolder(const std::string& dir) {
    ++m_commands;
    try {
        m_client.MakeDirectory(absolute(dir));
    } catch (const FTPException&) {
        // Most often the folder is there already; servers word that differently, and an
        // upload into a folder that really could not be made fails with its own reply.
    }
}

void FtpPublishTarget::upload(const std::string& localPath, const std::string& remotePath) {
    m_commands += 2;
    m_client.UploadFile(localPath, absolute(remotePath));
}

void FtpPublishTarget::rename(const std::string& from, const std::string& to) {
    m_commands += 2;
    m_client.RenameFile(absolute(from), absolute(to));
}

void FtpPublishTarget::remove(const std::string& remotePath) {
    ++m_commands;
    m_client.DeleteFile(absolute(remotePath));
}

} // namespace velloran
