// Maps the publish operations onto the remote client's commands.
#include "publish/remotetarget.h"

#include "ftp/ftpclient.h"
#include "ftp/remoteclient.h"
#include "ftp/sftpclient.h"

#include <charconv>

namespace velloran {

namespace {

// A refusal of the server's, as against a lost connection or an abort.
bool Refused(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const FTPException&) {
        return true;
    } catch (const ESftpUnreachable&) {
        return false;
    } catch (const ESftpError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

RemotePublishTarget::RemotePublishTarget(RemoteClient& client) : m_client(client) {
    m_home = m_client.CurrentDirectory();
    if (m_home.empty())
        m_home.push_back('/');
    m_commands = 1;
}

std::string RemotePublishTarget::absolute(const std::string& path) const {
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
RemotePublishTarget::folderSizes(const std::string& dir) {
    ++m_commands;
    try {
        m_client.ChangeDirectory(absolute(dir));
    } catch (...) {
        if (Refused(std::current_exception()))
            return std::nullopt;
        throw;
    }
    std::map<std::string, std::uint64_t> sizes;
    countTransfer(1);
    for (const RemoteListItem& item : m_client.ListDirectory(true)) {
        std::uint64_t size = 0;
        const std::string& text = item.size;
        if (item.imageIndex == 1 &&
            std::from_chars(text.data(), text.data() + text.size(), size).ec == std::errc{})
            sizes[item.caption] = size;
    }
    return sizes;
}

void RemotePublishTarget::makeFolder(const std::string& dir) {
    ++m_commands;
    try {
        m_client.MakeDirectory(absolute(dir));
    } catch (...) {
        // Most often the folder is there already; servers word that differently, and an
        // upload into a folder that really could not be made fails with its own reply.
        if (!Refused(std::current_exception()))
            throw;
    }
}

void RemotePublishTarget::countTransfer(int type) {
    if (m_client.Protocol() == TransferProtocol::Sftp) {
        ++m_commands;
        return;
    }
    // The data connection's set-up and the transfer, after a TYPE where the type changes.
    m_commands += m_type == type ? 2 : 3;
    m_type = type;
}

void RemotePublishTarget::upload(const std::string& localPath, const std::string& remotePath) {
    countTransfer(2);
    m_client.UploadFile(localPath, absolute(remotePath));
}

void RemotePublishTarget::rename(const std::string& from, const std::string& to) {
    m_commands += m_client.Protocol() == TransferProtocol::Sftp ? 1 : 2;
    m_client.ReplaceFile(absolute(from), absolute(to));
}

void RemotePublishTarget::remove(const std::string& remotePath) {
    ++m_commands;
    m_client.DeleteFile(absolute(remotePath));
}

} // namespace velloran
