// Lines of a Unix-style long directory listing, as FTP servers send them for LIST, turned
// into the entries the FTP window shows, and the order it shows them in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velloran {

struct RemoteListItem {
    int imageIndex = 1; // 0 directories and links, 1 files
    std::string caption;
    std::string size;
    std::string date; // the listing's 12-character date and time or year
    std::string attributes;
};

struct ParsedListLine {
    bool logged = false;                // "total" lines are ignored entirely
    std::optional<RemoteListItem> item; // none for ignored lines and hidden dot files
};

// `showHidden` keeps names that begin with "." (dot files, "." and "..").
[[nodiscard]] ParsedListLine ParseListLine(std::string_view line, bool showHidden);

// Directories and links first, then by caption ignoring ASCII case.
[[nodiscard]] bool RemoteListLess(const RemoteListItem& a, const RemoteListItem& b) noexcept;

} // namespace velloran
