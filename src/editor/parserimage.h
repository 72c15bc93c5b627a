// Stored forms of a highlighting language: the parser image (binary tables, compressed),
// the settings string that carries the user's look, and the key-assignment stream.
#pragma once

#include "editor/parsertables.h"
#include "platform/errors.h"

#include <string>
#include <string_view>

namespace velloran {

// Malformed or truncated parser data, settings strings and key assignments, and tables
// that cannot be stored (a field too long, more than 255 entries in one table).
class ParserImageError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

// An image written by another format version; nothing of it has been read.
class ParserVersionError : public ParserImageError {
public:
    using ParserImageError::ParserImageError;
};

constexpr int kParserImageVersion = 20;

// The uncompressed parser data. Only entries in use are stored: present token and
// start-character definitions, defined styles, nonzero map entries, transitions and key
// bindings that differ from their defaults. Each table holds at most 255 entries; more
// than that fails with ParserImageError rather than silently dropping some.
[[nodiscard]] std::string WriteParserData(const ParserTables& tables);
// Starts from default tables and overlays what the data holds. The embedded definition
// of a start character shares its first bytes with the state set, so on reading its
// `present` flag is `!standardHandler`.
[[nodiscard]] ParserTables ReadParserData(std::string_view data);

// Version, uncompressed size, then the KH-compressed parser data.
[[nodiscard]] std::string WriteParserImage(const ParserTables& tables);
// `componentName` goes into the message of the ParserVersionError raised for an image of
// another version.
[[nodiscard]] ParserTables ReadParserImage(std::string_view image, std::string_view componentName);

// The editor options, font and defined styles as one line of text.
[[nodiscard]] std::string WriteSettingsString(const ParserTables& tables);
// Fields are assigned as they are read: on "Invalid data in style string" the tables keep
// everything read before the fault.
void ReadSettingsString(std::string_view text, ParserTables& tables);

// All 43 key bindings as a binary stream.
[[nodiscard]] std::string WriteKeyAssignments(const ParserTables& tables);
// All or nothing: on "Invalid data in key assignments" the key table is unchanged.
void ReadKeyAssignments(std::string_view stream, ParserTables& tables);

} // namespace velloran
