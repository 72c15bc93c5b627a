// libFuzzer target: any bytes must read into a consistent folder tree that writes back stably.
#include "project/projectformat.h"
#include "project/projecttree.h"

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

// What FormatProject writes must read back without error into the same text.
void checkStable(const ProjectTree& tree) {
    const std::string once = FormatProject(tree);
    ProjectTree again;
    check(!ReadProject(once, again));
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
    const auto error = ReadProject(input, tree);
    if (error) {
        check(error->parent != -1 && tree.folderAt(error->parent) == nullptr);
    }
    checkTree(tree);
    checkStable(tree);

    const std::string_view firstLine = input.substr(0, input.find_first_of("\r\n"));
    edit(tree, firstLine);
    checkTree(tree);
    checkStable(tree);
    return 0;
}
