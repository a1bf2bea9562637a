// Random raw entry names through the archive tree: listings, adds and removals in any order, with
// the maps, the tree and the shown texts checked against each other after every step, and a
// removal of everything that must leave only the archive node.
//
// Input: steps separated by a 0 byte; the first byte of a step picks the operation, the rest is a
// raw name (or picks nodes).

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_tree.h"

namespace {

using namespace corvane;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The text shows no control or direction character and is valid UTF-8 (bytes below 0x20 and
// DEL never appear raw; C1 and the bidi controls are recognisable by their encodings).
void CheckText(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        Check(c >= 0x20 && c != 0x7F);
        if (c == 0xC2 && i + 1 < text.size()) Check(static_cast<unsigned char>(text[i + 1]) > 0x9F);
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
            const auto c2 = static_cast<unsigned char>(text[i + 2]);
            Check(c2 != 0x8E && c2 != 0x8F && !(c2 >= 0xAA && c2 <= 0xAE));
        }
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x81) {
            const auto c2 = static_cast<unsigned char>(text[i + 2]);
            Check(!(c2 >= 0xA6 && c2 <= 0xA9));
        }
    }
}

void CheckTree(const TZipTree& tree, TZipNodeId archive) {
    const TZipObj& obj = *tree.Obj(archive);
    std::uint64_t size = 0;
    std::size_t entries = 0, folders = 1;
    std::vector<TZipNodeId> stack{archive};
    while (!stack.empty()) {
        const TZipNode& node = *tree.Node(stack.back());
        stack.pop_back();
        CheckText(tree.Text(node.Id));
        const auto children = tree.Children(node.Id);
        for (std::size_t row = 0; row < children.size(); ++row) {
            const TZipNode& child = *tree.Node(children[row]);
            Check(child.Parent == node.Id && child.Archive == archive && child.Row == static_cast<int>(row));
            stack.push_back(child.Id);
        }
        if (node.Kind == TZipNodeKind::Entry) {
            Check(children.empty());
            size += node.Record.Size;
            ++entries;
            bool found = false;
            for (auto [it, end] = obj.Entries.equal_range(node.RawName); it != end; ++it) found |= it->second == node.Id;
            Check(found);
            // Names that cannot be placed lie flat under the archive, shown whole.
            if (node.Unsafe) Check(node.Parent == archive && node.Name == node.RawName);
        } else if (node.Kind == TZipNodeKind::Folder) {
            ++folders;
            Check(obj.Folders.at(node.Path) == node.Id);
            // Pruned: no folder stays without children or a directory entry naming it.
            Check(!children.empty() || !node.DirectoryEntries.empty());
            entries += node.DirectoryEntries.size();
        }
    }
    Check(size == obj.SizeSum);
    Check(entries == obj.Entries.size());
    Check(folders == obj.Folders.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TZipTree tree;
    const TZipNodeId archive = tree.AddArchive("/fuzz.zip");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\0', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view step = input.substr(start, end - start);
        start = end + 1;
        if (step.empty()) continue;
        const std::string name(step.substr(1));
        const auto op = static_cast<unsigned char>(step[0]) % 5;
        if (op <= 1) {
            TXcdFileStats stats;
            stats.FileName = name;
            stats.Size = static_cast<std::uint32_t>(name.size()) * 1000u;
            stats.Attributes = op == 1 ? xfaDirectory : 0;
            stats.Comment = name.substr(0, 20);
            tree.AddListedEntry(archive, stats);
        } else if (op == 2) {
            tree.AddEntry(archive, name, TZipEntryRecord{name.size(), 0, 0, 0, {}});
        } else if (op == 3) {
            tree.RemoveEntries(archive, {name, name + "/"});
        } else {
            // Everything below some folder or entry, picked by the name's length.
            const auto ids = tree.Children(archive);
            if (!ids.empty()) {
                const TZipNodeId id = ids[name.size() % ids.size()];
                tree.RemoveEntries(archive, tree.EntryNamesBelow(id));
                Check(tree.Node(id) == nullptr);
            }
        }
        CheckTree(tree, archive);
    }
    tree.RemoveEntries(archive, tree.EntryNamesBelow(archive));
    Check(tree.Children(archive).empty());
    Check(tree.Obj(archive)->Entries.empty() && tree.Obj(archive)->Folders.size() == 1 && tree.Obj(archive)->SizeSum == 0);
    return 0;
}
