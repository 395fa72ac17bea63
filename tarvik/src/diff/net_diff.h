// Compares the connectivity of two chain lists: a net is its name and its set
// of nodes (order and repeats inside a net do not matter).
//
// Nets are paired by name; of the nets left over on both sides, those with the
// same non-empty node set are paired as renamed (several such nets on a side
// are paired in name order). A net renamed and changed in its nodes is thus a
// removal and an addition. Nets that stand twice or more under one name on a
// side are compared as one net holding all their nodes. Every list of the
// result is sorted byte by byte, by net name, then node.
#ifndef TARVIK_NET_DIFF_H
#define TARVIK_NET_DIFF_H

#include <cstddef>
#include <future>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "chain_reader.h"

namespace tarvik {

// A net as compared: its nodes sorted, each once.
struct NetNodes {
    std::string_view name;
    std::span<const std::string_view> nodes;
};

struct NetRename {
    std::string_view from, to;
};

// A node added to or removed from a net that stands on both sides.
struct NodeChange {
    std::string_view net, node;
    bool added = false;
};

// A node that left one net and joined another: derived from the removals
// (of whole nets or of nodes) and the additions. A node that left or joined
// several nets (possible only where a warning names it) is paired in name order.
struct NodeMove {
    std::string_view node, from, to;
};

// Warnings about one side.
struct RepeatedNet {
    std::string_view name;
    std::size_t count = 0;  // nets of this name, at least 2
};
struct SharedNode {
    std::string_view node;
    std::vector<std::string_view> nets;  // at least 2, by name
};
struct SideWarnings {
    std::vector<RepeatedNet> repeatedNets;  // by name
    std::vector<SharedNode> sharedNodes;    // by node
    bool empty() const { return repeatedNets.empty() && sharedNodes.empty(); }
};

// The report. It holds the two chain lists compared, into which its views point.
struct NetDiff {
    SideWarnings oldWarnings, newWarnings;
    std::vector<NetNodes> removed;   // by name
    std::vector<NetNodes> added;     // by name
    std::vector<NetRename> renamed;  // by old name
    std::vector<NodeChange> changed; // by net name, then node
    std::vector<NodeMove> moved;     // by the net left, then node
    std::size_t oldNets = 0, newNets = 0;  // distinct net names on each side

    bool Same() const { return removed.empty() && added.empty() && renamed.empty() && changed.empty(); }

    // The lists compared. Each net's nodes in them are sorted, each once.
    ChainList oldList, newList;
};

// A chain list being made ready for comparison (nets sorted by name, nets of
// one name merged, shared nodes found) on a thread of its own, which starts at
// once, so that the other list can be read meanwhile.
class PreparedList {
public:
    explicit PreparedList(ChainList list);
    PreparedList(PreparedList&&) noexcept;
    PreparedList& operator=(PreparedList&&) noexcept;
    ~PreparedList();  // waits for the thread

    struct Side;

private:
    std::unique_ptr<Side> side_;
    std::future<void> ready_;  // the thread; its end, or what it threw
    friend NetDiff CompareNets(PreparedList oldList, PreparedList newList);
};

// Leaves out of list the nets of fewer than two distinct nodes: lines of one
// name count as one net, their nodes together. Forms differ in whether they
// list such nets at all, so two exports of one board compare equal without them.
void KeepConnections(ChainList& list);

// Compares the two lists, which the result takes over. Throws what preparing
// them threw (std::bad_alloc).
NetDiff CompareNets(PreparedList oldList, PreparedList newList);
NetDiff CompareNets(ChainList oldList, ChainList newList);

}  // namespace tarvik

#endif
