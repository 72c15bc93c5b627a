// The protocol a server profile speaks, as stored under its "protocol" key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velloran {

enum class TransferProtocol { Ftp, Ftps, Sftp };

inline constexpr const char* kProtocolKey = "protocol";

// An absent or empty value is plain FTP, as profiles written before the key existed mean. An
// unknown one is none, so that a damaged profile is refused rather than sent in clear text.
[[nodiscard]] inline std::optional<TransferProtocol> ProtocolFromText(std::string_view text) {
    std::string word;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\r')
            word += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (word.empty() || word == "ftp")
        return TransferProtocol::Ftp;
    if (word == "ftps")
        return TransferProtocol::Ftps;
    if (word == "sftp")
        return TransferProtocol::Sftp;
    return std::nullopt;
}

[[nodiscard]] inline const char* ProtocolText(TransferProtocol protocol) {
    switch (protocol) {
    case TransferProtocol::Ftps:
        return "ftps";
    case TransferProtocol::Sftp:
        return "sftp";
    case TransferProtocol::Ftp:
        break;
    }
    return "ftp";
}

[[nodiscard]] inline int DefaultPort(TransferProtocol protocol) {
    return protocol == TransferProtocol::Sftp ? 22 : 21;
}

} // namespace velloran
