// User tags: the snippets kept in ".vul" tag list files, their insertion into a document
// with the selected text in place of the first placeholder, and code completion, which
// replaces the word at the caret by the tag whose shortcut it is.
#pragma once

#include "platform/encoding.h"
#include "platform/inifile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class EditModel;

// Where the selected text goes when a tag is inserted (UTF-8).
inline constexpr std::string_view kSelTextPlaceholder = "\xC2\xABseltext\xC2\xBB";

struct UserTag {
    std::string name;
    std::string shortcut;
    std::vector<std::string> description;
    std::vector<std::string> lines;
};

// The names of a list in the order the user sees them, with each name's shortcut at the
// same index.
struct UserTagIndex {
    std::vector<std::string> names;
    std::vector<std::string> shortcuts;
};

// One user tag list file. Values are UTF-8; a value that is not valid UTF-8 (a list
// written in the Windows character set) is read as Windows-1252. Every change is
// written at once, atomically.
class UserTagList {
public:
    // A missing file is an empty list; FileError when it exists but cannot be read.
    explicit UserTagList(std::string path);

    [[nodiscard]] const std::string& path() const noexcept { return m_ini.path(); }
    // Section names sorted ignoring case, each with its shortcut.
    [[nodiscard]] UserTagIndex index() const;
    // Missing keys read as empty text or no lines.
    [[nodiscard]] UserTag read(std::string_view name) const;
    // Erases the section `replacing` (none when empty) and any section already named
    // like the tag, then writes the tag. Throws VelloranError for a name that cannot
    // be a section name and "Unable to write to FILE" when the file cannot be written;
    // the file on disk is then unchanged.
    void write(const UserTag& tag, std::string_view replacing);
    void erase(std::string_view name);

private:
    void save();
    // The section's name as the file spells it: a list in the Windows character set
    // names its sections in those bytes, while callers know the names as UTF-8.
    [[nodiscard]] std::string sectionFor(std::string_view name) const;

    IniFile m_ini;
};

// The message for a list file that could not be written.
[[nodiscard]] std::string UnableToWriteMessage(const std::string& path);

// Sorts names alphabetically ignoring ASCII case; equal names keep their order.
void SortIgnoringCase(std::vector<std::string>& names);
[[nodiscard]] bool SameTextIgnoringCase(std::string_view a, std::string_view b) noexcept;
// Index of the first entry equal to `text` ignoring case.
[[nodiscard]] std::optional<std::size_t> IndexIgnoringCase(const std::vector<std::string>& list,
                                                           std::string_view text);

// The tag's lines joined with CR LF, in the document's encoding, with the first
// placeholder replaced by `selected` (document bytes); later placeholders stay.
[[nodiscard]] std::string ExpandUserTag(const std::vector<std::string>& lines,
                                        std::string_view selected, Encoding encoding);
// Replaces the selection with the expanded tag; the caret ends after it.
void InsertUserTag(EditModel& model, const std::vector<std::string>& lines);

// The word code completion acts on, as offsets into `line`: the blank-separated word
// around `caret` (0-based, before the character at that offset), where a caret just
// before a blank takes the word that ends there. Empty (begin == end) for none.
struct WordSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};
[[nodiscard]] WordSpan CompletionWordAt(std::string_view line, std::size_t caret) noexcept;

// The word at the caret that is a shortcut: its document positions and the index of
// the tag in `shortcuts`.
struct CompletionMatch {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::size_t index = 0;
};
[[nodiscard]] std::optional<CompletionMatch>
FindCompletion(const EditModel& model, const std::vector<std::string>& shortcuts);

} // namespace velloran
