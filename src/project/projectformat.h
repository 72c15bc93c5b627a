// The project file's text: writing a tree as lines and reading lines back into a tree.
#pragma once

#include "project/projecttree.h"

#include <optional>
#include <string>
#include <string_view>

namespace velloran {

// A folder section whose parent index names no folder read before it.
struct ProjectReadError {
    std::string header; // the section's header line, as written
    int parent = -1;    // the index it named
};

// The whole file for `tree`: every folder in pre-order with its entries after it,
// each section closed by an empty line, lines ended by CR LF.
[[nodiscard]] std::string FormatProject(const ProjectTree& tree);

// Adds the folders and entries of `text` to `tree`, then sorts every level by name.
// Section headers are found without regard to case and identical headers share the
// first one's lines; only an upper-case "F" after the "[" makes a file section, and a
// file section before any folder section is skipped. Missing or malformed values
// take their defaults. On a bad parent index the reading stops there: the folders
// read so far stay in `tree` and the error is returned.
[[nodiscard]] std::optional<ProjectReadError> ReadProject(std::string_view text, ProjectTree& tree);

} // namespace velloran
