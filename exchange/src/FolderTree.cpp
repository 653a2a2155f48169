// The folder tree from parent links. The rows come in folder-id order, which
// says nothing about the tree, and a damaged table may link folders into
// rings or to parents that are gone: every folder is placed exactly once,
// and every walk here ends because each folder is entered once.
#include <algorithm>
#include <unordered_map>

#include "exchange/Structure.h"

namespace korvane::exchange {
namespace {

// Each folder keeps its whole path, so a damaged chain of many thousand
// levels would need memory in the square of its length. Far deeper than any
// store's own limit on folder nesting.
constexpr int kMaxDepth = 1000;

std::string Hex(const std::string& id) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : id) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Describe(const Folder& folder, const FolderLink& link) {
    return "folder \"" + folder.name + "\" (id " + Hex(link.id) + ")";
}

}  // namespace

std::vector<std::string> BuildFolderTree(const std::vector<FolderLink>& links, std::vector<Folder>& folders,
                                         uint64_t& steps) {
    std::vector<std::string> problems;
    const int count = static_cast<int>(links.size());
    std::unordered_map<std::string, int> byId;
    byId.reserve(links.size());
    for (int i = 0; i < count; ++i) {
        if (!byId.emplace(links[i].id, i).second)
            problems.push_back(Describe(folders[i], links[i]) + " has the same id as folder \"" +
                               folders[byId[links[i].id]].name + "\"; its subfolders are listed under the first");
    }
    std::vector<int> parent(count, -1);
    for (int i = 0; i < count; ++i) {
        ++steps;
        const FolderLink& link = links[i];
        if (link.parentId.empty()) continue;
        auto found = byId.find(link.parentId);
        if (found == byId.end()) {
            problems.push_back(Describe(folders[i], link) + " names a parent folder " + Hex(link.parentId) +
                               " that is not in the mailbox; it is listed at the top");
        } else if (found->second == i) {
            // The unnamed root may well point at itself; any other folder doing so is damaged.
            if (!folders[i].name.empty())
                problems.push_back(Describe(folders[i], link) + " names itself as its parent; it is listed at the top");
        } else {
            parent[i] = found->second;
        }
    }

    std::vector<std::vector<int>> children(count);
    std::vector<int> tops;
    for (int i = 0; i < count; ++i) (parent[i] < 0 ? tops : children[parent[i]]).push_back(i);
    auto byName = [&](int a, int b) { return folders[a].name != folders[b].name ? folders[a].name < folders[b].name : a < b; };

    std::vector<int> order;  // old indexes in the new order
    order.reserve(count);
    std::vector<int> newIndex(count, -1);
    std::vector<int> stack;
    auto walkFrom = [&](std::vector<int> starts) {
        std::sort(starts.begin(), starts.end(), byName);
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) stack.push_back(*it);
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++steps;
            newIndex[at] = static_cast<int>(order.size());
            order.push_back(at);
            std::vector<int>& kids = children[at];
            std::sort(kids.begin(), kids.end(), byName);
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                if (newIndex[*it] < 0 && parent[*it] == at) stack.push_back(*it);
        }
    };
    walkFrom(tops);

    // What is left hangs below a ring: the parent of a folder not reached is
    // never reached either, so following parents from it must come round.
    std::vector<int> seenInWalk(count, -1);
    for (int start = 0; start < count; ++start) {
        if (newIndex[start] >= 0) continue;
        int at = start;
        while (seenInWalk[at] != start) {
            ++steps;
            seenInWalk[at] = start;
            at = parent[at];
        }
        std::string ring;
        int member = at;
        int members = 0;
        do {
            ring += (members++ ? ", \"" : "\"") + folders[member].name + "\"";
            member = parent[member];
        } while (member != at && members < 10);
        if (member != at) ring += ", ...";
        problems.push_back("folders " + ring + " are each other's parents; the ring is cut above " +
                           Describe(folders[at], links[at]) + ", which is listed at the top");
        parent[at] = -1;
        walkFrom({at});
    }

    std::vector<Folder> sorted;
    sorted.reserve(count);
    for (int old : order) {
        Folder folder = std::move(folders[old]);
        folder.parent = parent[old] < 0 ? -1 : newIndex[parent[old]];
        if (folder.parent >= 0 && sorted[folder.parent].depth + 1 >= kMaxDepth) {
            problems.push_back(Describe(folder, links[old]) + " lies " + std::to_string(kMaxDepth) +
                               " levels below the top; it is listed at the top with its subfolders");
            folder.parent = -1;
        }
        if (folder.parent < 0) {
            folder.depth = 0;
            folder.path = folder.name;
        } else {
            const Folder& up = sorted[folder.parent];
            folder.depth = up.depth + 1;
            folder.path = up.path.empty() ? folder.name : up.path + "/" + folder.name;
        }
        sorted.push_back(std::move(folder));
    }
    folders = std::move(sorted);
    return problems;
}

}  // namespace korvane::exchange
