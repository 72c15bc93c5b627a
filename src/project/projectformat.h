// The project file's text: writing a tree as lines and reading lines back into a tree.
#pragma once

#include "project/projecttree.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

// Where and why a text fails to read as a project, or the first thing a write would drop.
struct ProjectReadIssue {
    std::size_t line = 0; // counted from 1; 0 when no one line is to blame
    std::string reason;   // a phrase that can follow "line 3: "
};

struct ProjectReadResult {
    // The text is no project (no folder section, a file section before any folder, a
    // parent index that names no folder read before it, folders nested deeper than
    // kMaxFolderDepth); the tree is left empty.
    std::optional<ProjectReadIssue> refusal;
    // The project was read, but writing it back would lose what this line (the first
    // such) holds: text outside the known sections and keys, a repeated key or
    // section, a value that is not a number, a folder name cut to its longest.
    std::optional<ProjectReadIssue> loss;
};

// The whole file for `tree`: every folder in pre-order with its entries after it,
// each section closed by an empty line, lines ended by CR LF.
[[nodiscard]] std::string FormatProject(const ProjectTree& tree);

// Reads `text` into the empty `tree`, then sorts every level by name. Headers and keys
// compare without regard to case: a header starting "[Dir" opens a folder section,
// "[File" a file section of the folder before it; identical headers share the first
// one's lines. Missing values take their defaults. A UTF-8 byte order mark is skipped.
[[nodiscard]] ProjectReadResult ReadProject(std::string_view text, ProjectTree& tree);

} // namespace velloran
