// The folder tree: sibling order, pre-order indexes and the entries' icons.
#include "project/projecttree.h"

#include "platform/paths.h"

#include <algorithm>
#include <array>

namespace velloran {
namespace {

unsigned char foldAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool nameLess(const ProjectFolder* a, const ProjectFolder* b) {
    return std::lexicographical_compare(a->name().begin(), a->name().end(), b->name().begin(),
                                        b->name().end(),
                                        [](char x, char y) { return foldAscii(x) < foldAscii(y); });
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

int ImageIndexFor(std::string_view path) {
    const std::string ext = AsciiUpper(ExtractFileExt(path));
    if (ext == ".HTM" || ext == ".HTML")
        return 2;
    constexpr std::array<std::string_view, 4> pictures{".GIF", ".JPG", ".PNG", ".BMP"};
    if (std::find(pictures.begin(), pictures.end(), ext) != pictures.end())
        return 3;
    return ext == ".VPR" ? 4 : 1;
}

std::string FolderNameFrom(std::string_view text) {
    std::string name;
    std::size_t characters = 0;
    for (const char c : text) {
        // Counting characters rather than bytes keeps a UTF-8 sequence whole.
        if (!isContinuationByte(c) && ++characters > kMaxFolderName)
            break;
        name += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return name;
}

ProjectFolder* ProjectTree::folderAt(int index) const noexcept {
    if (index < 0 || static_cast<std::size_t>(index) >= m_order.size())
        return nullptr;
    return m_order[static_cast<std::size_t>(index)];
}

int ProjectTree::indexOf(const ProjectFolder& folder) const noexcept {
    const auto it = std::find(m_order.begin(), m_order.end(), &folder);
    return it == m_order.end() ? -1 : static_cast<int>(it - m_order.begin());
}

TProjectFile* ProjectTree::findFile(std::string_view path) const noexcept {
    for (const ProjectFolder* folder : m_order) {
        for (const auto& file : folder->m_files) {
            if (file->FileInfo == path)
                return file.get();
        }
    }
    return nullptr;
}

std::vector<ProjectFolder*>& ProjectTree::siblingsOf(ProjectFolder* parent) {
    return parent != nullptr ? parent->m_children : m_topLevel;
}

ProjectFolder& ProjectTree::create(std::string_view name, ProjectFolder* parent) {
    auto folder = std::make_unique<ProjectFolder>();
    folder->m_name = FolderNameFrom(name);
    folder->m_parent = parent;
    folder->m_depth = parent != nullptr ? parent->m_depth + 1 : 0;
    m_owned.push_back(std::move(folder));
    return *m_owned.back();
}

void ProjectTree::insertSorted(ProjectFolder& folder) {
    auto& siblings = siblingsOf(folder.m_parent);
    siblings.insert(std::upper_bound(siblings.begin(), siblings.end(), &folder, nameLess), &folder);
}

// Iterative, so that a deeply nested tree read from a damaged file cannot exhaust the stack.
void ProjectTree::rebuildOrder() {
    m_order.clear();
    std::vector<ProjectFolder*> pending(m_topLevel.rbegin(), m_topLevel.rend());
    while (!pending.empty()) {
        ProjectFolder* folder = pending.back();
        pending.pop_back();
        m_order.push_back(folder);
        pending.insert(pending.end(), folder->m_children.rbegin(), folder->m_children.rend());
    }
}

ProjectFolder& ProjectTree::addFolder(std::string_view name, ProjectFolder* parent) {
    ProjectFolder& folder = create(name, parent);
    insertSorted(folder);
    rebuildOrder();
    return folder;
}

ProjectFolder& ProjectTree::appendFolder(std::string_view name, ProjectFolder* parent) {
    ProjectFolder& folder = create(name, parent);
    siblingsOf(parent).push_back(&folder);
    // The new folder follows the last folder of its parent's subtree.
    std::size_t at = m_order.size();
    if (parent != nullptr) {
        // Searched from the end: a file lists sub-folders soon after their parent, so that
        // reading a deeply nested project does not scan the whole order for every folder.
        at = static_cast<std::size_t>(m_order.rend() -
                                      std::find(m_order.rbegin(), m_order.rend(), parent));
        while (at < m_order.size() && m_order[at]->m_depth > parent->m_depth)
            ++at;
    }
    m_order.insert(m_order.begin() + static_cast<std::ptrdiff_t>(at), &folder);
    return folder;
}

void ProjectTree::removeFolder(ProjectFolder& folder) {
    auto& siblings = siblingsOf(folder.m_parent);
    siblings.erase(std::find(siblings.begin(), siblings.end(), &folder));
    m_order.erase(std::find(m_order.begin(), m_order.end(), &folder));
    m_owned.erase(std::find_if(m_owned.begin(), m_owned.end(),
                               [&](const auto& owned) { return owned.get() == &folder; }));
}

void ProjectTree::renameFolder(ProjectFolder& folder, std::string_view name) {
    folder.m_name = FolderNameFrom(name);
    auto& siblings = siblingsOf(folder.m_parent);
    siblings.erase(std::find(siblings.begin(), siblings.end(), &folder));
    insertSorted(folder);
    rebuildOrder();
}

void ProjectTree::sortAll() {
    std::stable_sort(m_topLevel.begin(), m_topLevel.end(), nameLess);
    for (const auto& folder : m_owned)
        std::stable_sort(folder->m_children.begin(), folder->m_children.end(), nameLess);
    rebuildOrder();
}

void ProjectTree::clear() noexcept {
    m_order.clear();
    m_topLevel.clear();
    m_owned.clear();
}

TProjectFile& ProjectTree::appendFile(ProjectFolder& folder, TProjectFile file) {
    folder.m_files.push_back(std::make_unique<TProjectFile>(std::move(file)));
    return *folder.m_files.back();
}

bool ProjectTree::removeFile(ProjectFolder& folder, const TProjectFile& file) {
    auto& files = folder.m_files;
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&](const auto& entry) { return entry.get() == &file; });
    if (it == files.end())
        return false;
    files.erase(it);
    return true;
}

} // namespace velloran
