// Settings files in the INI format with the semantics of the Windows private-profile
// functions, which every settings, profile, tag-list and project file here relies on.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

// One INI file held in memory. Construction reads the file (a missing file is an
// empty one); changes stay in memory until save(), which replaces the file atomically.
//
// Rules (as the private-profile functions have them):
// - section and key names compare without regard to ASCII case; names are trimmed;
// - the first section of a name and the first key of a name within it are the ones
//   read and written; later duplicates are kept in the file but never seen;
// - a value read loses surrounding blanks (space, tab) and then one pair of
//   enclosing quotes ("..." or '...');
// - lines end in CR LF or LF when read; every line ends in CR LF when written;
// - lines that are neither a section header nor contain "=" are kept as they are;
//   lines beginning with ";" are comments and never match a key;
// - writing one key changes only that line (or appends the key after the last
//   non-empty line of its section, or appends the section at the end of the file);
//   every other line is written back byte for byte apart from its line end.
class IniFile {
public:
    // Reads `path`; throws FileError when the file exists but cannot be read.
    explicit IniFile(std::string path);

    [[nodiscard]] const std::string& path() const noexcept { return m_path; }

    [[nodiscard]] std::string readString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const;
    // The decimal integer at the start of the value (optional sign); the default
    // when the key is missing or the value does not start with a number.
    [[nodiscard]] int readInteger(std::string_view section, std::string_view key,
                                  int defaultValue) const;
    [[nodiscard]] bool hasSection(std::string_view section) const;
    [[nodiscard]] bool hasKey(std::string_view section, std::string_view key) const;

    // All key lines of the first section of that name, in file order, each trimmed of
    // surrounding blanks; empty lines and comments are left out.
    [[nodiscard]] std::vector<std::string> readSection(std::string_view section) const;
    // Names of all sections in file order (duplicates listed once, first spelling).
    [[nodiscard]] std::vector<std::string> sectionNames() const;

    // Throws VelloranError, changing nothing, for a name or value that would not read
    // back: a line feed anywhere, "]" in a section name, "=" in a key or a key
    // beginning with ";" or "[". A lone CR is kept, as it is in lines read.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void deleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);

    [[nodiscard]] bool isModified() const noexcept { return m_modified; }
    // Writes the file atomically if anything changed since it was read or saved.
    // Throws FileError and leaves the file on disk untouched on failure.
    void save();

    // The file's text as save() would write it.
    [[nodiscard]] std::string text() const;
    // Replaces the content by parsing `text` (used by tests and fuzzing).
    void parse(std::string_view text);

private:
    void checkStorable(std::string_view section, std::string_view key,
                       std::string_view value) const;

    std::string m_path;
    std::vector<std::string> m_lines;
    bool m_modified = false;
};

} // namespace velloran
