// libFuzzer target: any bytes are refused or read into a consistent folder tree that writes
// back stably and whole.
#include "project/projectformat.h"
#include "project/projecttree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace velloran;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Pre-order indexes, parent links and sibling order must agree with each other.
void checkTree(const ProjectTree& tree) {
    const auto& folders = tree.folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const ProjectFolder& folder = *folders[i];
        check(tree.indexOf(folder) == static_cast<int>(i));
        check(folder.name().size() <= 4 * kMaxFolderName);
        if (folder.parent() != nullptr) {
            check(tree.indexOf(*folder.parent()) < static_cast<int>(i));
        }
        for (const ProjectFolder* child : folder.children()) {
            check(child->parent() == &folder);
        }
    }
}

// What FormatProject writes must read back with nothing refused or lost into the same text.
void checkStable(const ProjectTree& tree) {
    const std::string once = FormatProject(tree);
    ProjectTree again;
    const ProjectReadResult result = ReadProject(once, again);
    check(tree.empty() ? result.refusal.has_value() : !result.refusal && !result.loss);
    check(FormatProject(again) == once);
}

// The first line names edits, so that the tree operations meet odd trees and names.
void edit(ProjectTree& tree, std::string_view name) {
    ProjectFolder* first = tree.folderAt(0);
    ProjectFolder& added = tree.addFolder(name, first);
    tree.appendFile(added, {std::string(name), std::string(name), "", ImageIndexFor(name), -1});
    check(tree.findFile(name) != nullptr);
    tree.renameFolder(*tree.folders().back(), name);
    ProjectFolder* last = tree.folders().back();
    if (last->children().empty()) {
        tree.removeFolder(*last);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ProjectTree tree;
    const ProjectReadResult result = ReadProject(input, tree);
    check(result.refusal ? tree.empty() && !result.loss : !tree.empty());
    const std::size_t lines =
        static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n') +
                                 std::count(input.begin(), input.end(), '\r')) +
        1;
    for (const auto& issue : {result.refusal, result.loss}) {
        check(!issue || (issue->line <= lines && !issue->reason.empty()));
    }
    checkTree(tree);
    checkStable(tree);

    const std::string_view firstLine = input.substr(0, input.find_first_of("\r\n"));
    edit(tree, firstLine);
    checkTree(tree);
    checkStable(tree);
    return 0;
}
