// Connectivity comparison of two chain lists: each side prepared on a thread
// of its own (nets sorted by name, repeats merged, shared nodes found), then
// pairing by name, renames by equal node sets, and node moves.
#include "net_diff.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <future>
#include <new>
#include <optional>
#include <unordered_map>

namespace tarvik {

namespace {

using Nodes = std::vector<std::string_view>;

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

std::uint64_t Load64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
std::uint64_t Load32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// 64-bit hash of a byte string; short strings (nodes, names) are read in at
// most two loads.
std::uint64_t Hash(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t a, b = n;
    if (n >= 8) {
        a = Load64(p);
        for (std::size_t k = 8; k + 8 < n; k += 8) a = Mix(a ^ Load64(p + k));
        b ^= Load64(p + n - 8);
    } else if (n >= 4) {
        a = Load32(p);
        b ^= Load32(p + n - 4) << 32;
    } else {
        a = n ? static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
                    static_cast<std::uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16
              : 0;
    }
    const unsigned __int128 m = static_cast<unsigned __int128>(a ^ 0x9e3779b97f4a7c15ULL) * (b ^ 0xd6e8feb86659fd93ULL);
    return Mix(static_cast<std::uint64_t>(m) ^ static_cast<std::uint64_t>(m >> 64));
}

// The first 8 bytes of s, big-endian and zero-padded: their order as numbers
// is the bytes' order.
std::uint64_t Prefix(std::string_view s) {
    std::uint64_t v = 0;
    const std::size_t n = std::min<std::size_t>(s.size(), 8);
    for (std::size_t k = 0; k < 8; ++k) v = (v << 8) | (k < n ? static_cast<unsigned char>(s[k]) : 0u);
    return v;
}

// A zeroed block of memory for random access: mapped with huge pages where
// the system gives them, so that reads across it do not miss the TLB at
// nearly every step as with 4 KiB pages.
class ZeroedBlock {
public:
    explicit ZeroedBlock(std::size_t size) : size_(size) {
        void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        madvise(p, size_, MADV_HUGEPAGE);
        bytes_ = static_cast<std::uint8_t*>(p);
    }
    ~ZeroedBlock() { munmap(bytes_, size_); }
    ZeroedBlock(const ZeroedBlock&) = delete;
    ZeroedBlock& operator=(const ZeroedBlock&) = delete;
    std::uint8_t& operator[](std::size_t k) { return bytes_[k]; }

private:
    std::uint8_t* bytes_;
    std::size_t size_;
};

// Sorts [first, first + count) and drops repeats; returns the new count.
std::size_t SortUnique(std::string_view* first, std::size_t count) {
    std::sort(first, first + count);
    return static_cast<std::size_t>(std::unique(first, first + count) - first);
}

}  // namespace

// One side made ready for comparison: the nets by name. A net's nodes are
// sorted (in place in the list) only when they are needed as a set, since
// most nets stand on both sides with their nodes written the same way.
struct PreparedList::Side {
    struct Net {
        std::string_view name;
        std::size_t begin = 0, count = 0;  // nodes: list.nodes[begin, begin + count)
        std::string_view written;          // the nodes' text in the chain line; null once sorted
    };
    ChainList list;
    std::vector<Net> nets;             // by name, one per name
    std::vector<std::uint32_t> netOf;  // the net of each chain line
    SideWarnings warnings;

    // The net's nodes sorted, each once.
    std::span<const std::string_view> Set(std::size_t k) {
        Net& n = nets[k];
        if (n.written.data()) {
            n.count = SortUnique(list.nodes.data() + n.begin, n.count);
            n.written = {};
        }
        return {list.nodes.data() + n.begin, n.count};
    }
};

namespace {

using Side = PreparedList::Side;

// The text from a chain line's first node to the end of its last.
std::string_view Written(const ChainList& list, const ChainNet& c) {
    if (c.nodeCount == 0) return {"", 0};
    const std::string_view first = list.Node(c, 0), last = list.Node(c, c.nodeCount - 1);
    return {first.data(), static_cast<std::size_t>(last.data() + last.size() - first.data())};
}

// The sort key of a name: its first 16 bytes, big-endian and zero-padded, so
// that keys in order are names in order (equal keys: compare the names).
struct NameKey {
    std::uint64_t high, low;
    std::uint32_t line;
};
NameKey KeyOf(std::string_view name, std::uint32_t line) {
    return {Prefix(name), name.size() > 8 ? Prefix(name.substr(8)) : 0, line};
}

// Lines sorted by name; lines of one name become one net with the union of
// their nodes (appended to the list's nodes) and a warning.
void NetsByName(Side& side) {
    const std::vector<ChainNet>& lines = side.list.nets;
    std::vector<NameKey> order(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) order[k] = KeyOf(lines[k].name, static_cast<std::uint32_t>(k));
    std::stable_sort(order.begin(), order.end(), [&](const NameKey& a, const NameKey& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        const int c = lines[a.line].name.compare(lines[b.line].name);
        return c != 0 ? c < 0 : a.line < b.line;
    });
    Nodes& nodes = side.list.nodes;
    side.nets.reserve(lines.size());
    side.netOf.resize(lines.size());
    for (std::size_t k = 0; k < order.size();) {
        const ChainNet& first = lines[order[k].line];
        std::size_t e = k + 1;
        while (e < order.size() && lines[order[e].line].name == first.name) ++e;
        for (std::size_t j = k; j < e; ++j) side.netOf[order[j].line] = static_cast<std::uint32_t>(side.nets.size());
        if (e - k == 1) {
            side.nets.push_back({first.name, first.firstNode, first.nodeCount, Written(side.list, first)});
        } else {
            const std::size_t begin = nodes.size();
            for (std::size_t j = k; j < e; ++j) {
                const ChainNet& l = lines[order[j].line];
                for (std::size_t n = 0; n < l.nodeCount; ++n) {
                    const std::string_view node = nodes[l.firstNode + n];
                    nodes.push_back(node);
                }
            }
            const std::size_t count = SortUnique(nodes.data() + begin, nodes.size() - begin);
            nodes.resize(begin + count);
            side.nets.push_back({first.name, begin, count, {}});
            side.warnings.repeatedNets.push_back({first.name, e - k});
        }
        k = e;
    }
}

// Nodes that stand in two nets or more. A first pass counts the nodes'
// hashes in a table of 2-bit counters (stopping at 2), so that a second pass
// keeps only the nodes whose counter reached 2: the nodes wanted, a few that
// share a counter with another, and nodes written twice in one net. Sorting
// those few tells which are which. Both passes read the lines in file order.
void SharedNodes(Side& side) {
    struct Candidate {
        std::uint64_t hash;
        std::uint32_t net;
        std::string_view node;
    };
    const ChainList& list = side.list;
    int bits = 10;  // 2^bits counters, at least 8 per node
    while ((std::size_t{1} << bits) < 8 * list.nodes.size()) ++bits;
    std::optional<ZeroedBlock> counters(std::in_place, std::size_t{1} << (bits - 2));
    const auto slot = [&](std::uint64_t h) { return h >> (64 - bits); };
    const auto count = [&](std::uint64_t s) { return ((*counters)[s >> 2] >> ((s & 3) * 2)) & 3u; };
    // Every node in line order, its counter fetched kAhead nodes before use.
    constexpr std::size_t kAhead = 32;
    const auto pipelined = [&](auto use) {
        Candidate ring[kAhead];
        std::size_t made = 0;
        for (std::size_t line = 0; line < list.nets.size(); ++line) {
            const ChainNet& c = list.nets[line];
            for (std::size_t k = 0; k < c.nodeCount; ++k, ++made) {
                const std::string_view node = list.Node(c, k);
                const std::uint64_t h = Hash(node);
                __builtin_prefetch(&(*counters)[slot(h) >> 2]);
                Candidate& x = ring[made % kAhead];
                if (made >= kAhead) use(x);
                x = {h, side.netOf[line], node};
            }
        }
        for (std::size_t k = made > kAhead ? made - kAhead : 0; k < made; ++k) use(ring[k % kAhead]);
    };
    pipelined([&](const Candidate& c) {
        const std::uint64_t s = slot(c.hash);
        if (count(s) < 2) (*counters)[s >> 2] = static_cast<std::uint8_t>((*counters)[s >> 2] + (1u << ((s & 3) * 2)));
    });
    std::vector<Candidate> candidates;
    pipelined([&](const Candidate& c) {
        if (count(slot(c.hash)) == 2) candidates.push_back(c);
    });
    counters.reset();
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        if (a.hash != b.hash) return a.hash < b.hash;
        const int c = a.node.compare(b.node);
        return c != 0 ? c < 0 : a.net < b.net;
    });
    for (std::size_t k = 0; k < candidates.size();) {
        std::size_t e = k + 1;
        while (e < candidates.size() && candidates[e].hash == candidates[k].hash && candidates[e].node == candidates[k].node)
            ++e;
        if (candidates[e - 1].net != candidates[k].net) {  // two nets or more
            SharedNode s{candidates[k].node, {}};
            for (std::size_t j = k; j < e; ++j)
                if (j == k || candidates[j].net != candidates[j - 1].net) s.nets.push_back(side.nets[candidates[j].net].name);
            side.warnings.sharedNodes.push_back(std::move(s));
        }
        k = e;
    }
    std::sort(side.warnings.sharedNodes.begin(), side.warnings.sharedNodes.end(),
              [](const SharedNode& a, const SharedNode& b) { return a.node < b.node; });
}

void Prepare(Side& side) {
    NetsByName(side);
    SharedNodes(side);
}

int CompareSets(std::span<const std::string_view> a, std::span<const std::string_view> b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k)
        if (const int c = a[k].compare(b[k])) return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Nets paired by name: node changes in name, then node order; the nets of one
// side only go to the lists given. Nets whose nodes are written the same way
// are the same without sorting them.
void PairByName(Side& o, Side& n, std::vector<std::uint32_t>& oldOnly, std::vector<std::uint32_t>& newOnly,
                std::vector<NodeChange>& changed) {
    std::size_t i = 0, j = 0;
    while (i < o.nets.size() || j < n.nets.size()) {
        const int c = i == o.nets.size() ? 1 : j == n.nets.size() ? -1 : o.nets[i].name.compare(n.nets[j].name);
        if (c < 0) {
            oldOnly.push_back(static_cast<std::uint32_t>(i++));
        } else if (c > 0) {
            newOnly.push_back(static_cast<std::uint32_t>(j++));
        } else {
            const std::string_view wa = o.nets[i].written, wb = n.nets[j].written;
            if (wa.data() && wb.data() && wa == wb) {
                ++i, ++j;
                continue;
            }
            const auto a = o.Set(i), b = n.Set(j);
            const std::string_view net = o.nets[i].name;
            std::size_t x = 0, y = 0;
            while (x < a.size() || y < b.size()) {
                const int d = x == a.size() ? 1 : y == b.size() ? -1 : a[x].compare(b[y]);
                if (d < 0) changed.push_back({net, a[x++], false});
                else if (d > 0) changed.push_back({net, b[y++], true});
                else ++x, ++y;
            }
            ++i, ++j;
        }
    }
}

// Pairs nets of one side only with equal non-empty node sets; pairOf[k] gets
// the new net paired with oldOnly[k], or -1.
std::vector<std::int64_t> PairRenames(Side& o, Side& n, const std::vector<std::uint32_t>& oldOnly,
                                      const std::vector<std::uint32_t>& newOnly) {
    struct Candidate {
        std::uint64_t hash;
        std::uint32_t net;   // index in the side's nets
        std::uint32_t slot;  // index in oldOnly / newOnly
    };
    const auto candidates = [](Side& s, const std::vector<std::uint32_t>& only) {
        std::vector<Candidate> c;
        for (std::uint32_t k = 0; k < only.size(); ++k) {
            const auto set = s.Set(only[k]);
            if (set.empty()) continue;
            std::uint64_t h = set.size();
            for (const auto& node : set) h = Mix(h ^ Hash(node));
            c.push_back({h, only[k], k});
        }
        // Equal sets together; among them, name order (the nets' order).
        std::sort(c.begin(), c.end(), [&](const Candidate& a, const Candidate& b) {
            if (a.hash != b.hash) return a.hash < b.hash;
            const int d = CompareSets(s.Set(a.net), s.Set(b.net));
            return d != 0 ? d < 0 : a.net < b.net;
        });
        return c;
    };
    const auto a = candidates(o, oldOnly), b = candidates(n, newOnly);
    std::vector<std::int64_t> pairOf(oldOnly.size(), -1);
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        int d = a[i].hash < b[j].hash ? -1 : a[i].hash > b[j].hash ? 1 : CompareSets(o.Set(a[i].net), n.Set(b[j].net));
        if (d < 0) ++i;
        else if (d > 0) ++j;
        else pairOf[a[i++].slot] = b[j++].net;
    }
    return pairOf;
}

// Moves derived from the removals and additions: for each node, the k-th net
// it left (by name) with the k-th net it joined.
std::vector<NodeMove> Moves(const NetDiff& d) {
    using Record = std::pair<std::string_view, std::string_view>;  // node, net
    std::vector<Record> left, joined;
    for (const auto& r : d.removed)
        for (const auto& node : r.nodes) left.emplace_back(node, r.name);
    for (const auto& a : d.added)
        for (const auto& node : a.nodes) joined.emplace_back(node, a.name);
    for (const auto& c : d.changed) (c.added ? joined : left).emplace_back(c.node, c.net);
    std::sort(left.begin(), left.end());
    std::sort(joined.begin(), joined.end());
    std::vector<NodeMove> moves;
    std::size_t i = 0, j = 0;
    while (i < left.size() && j < joined.size()) {
        const int c = left[i].first.compare(joined[j].first);
        if (c < 0) ++i;
        else if (c > 0) ++j;
        else moves.push_back({left[i].first, left[i++].second, joined[j++].second});
    }
    std::sort(moves.begin(), moves.end(), [](const NodeMove& a, const NodeMove& b) {
        const int c = a.from.compare(b.from);
        return c != 0 ? c < 0 : a.node < b.node;
    });
    return moves;
}

}  // namespace

void KeepConnections(ChainList& list) {
    // Per name: its first node, and whether another node differs from it.
    struct Seen {
        std::string_view first;
        bool any = false, two = false;
    };
    std::unordered_map<std::string_view, Seen> names;
    names.reserve(list.nets.size());
    for (const ChainNet& net : list.nets) {
        Seen& s = names[net.name];
        for (std::size_t k = 0; k < net.nodeCount && !s.two; ++k) {
            const std::string_view node = list.Node(net, k);
            if (!s.any) s.first = node, s.any = true;
            else if (node != s.first) s.two = true;
        }
    }
    std::erase_if(list.nets, [&](const ChainNet& net) { return !names[net.name].two; });
}

PreparedList::PreparedList(ChainList list) : side_(std::make_unique<Side>(Side{std::move(list), {}, {}, {}})) {
    ready_ = std::async(std::launch::async, [side = side_.get()] { Prepare(*side); });
}
PreparedList::PreparedList(PreparedList&&) noexcept = default;
PreparedList& PreparedList::operator=(PreparedList&&) noexcept = default;
PreparedList::~PreparedList() {
    if (ready_.valid()) ready_.wait();
}

NetDiff CompareNets(ChainList oldList, ChainList newList) {
    return CompareNets(PreparedList(std::move(oldList)), PreparedList(std::move(newList)));
}

NetDiff CompareNets(PreparedList oldList, PreparedList newList) {
    oldList.ready_.get();
    newList.ready_.get();
    Side& o = *oldList.side_;
    Side& n = *newList.side_;
    NetDiff d;
    d.oldNets = o.nets.size();
    d.newNets = n.nets.size();
    std::vector<std::uint32_t> oldOnly, newOnly;
    PairByName(o, n, oldOnly, newOnly, d.changed);
    const std::vector<std::int64_t> pairOf = PairRenames(o, n, oldOnly, newOnly);
    std::vector<char> newPaired(n.nets.size(), 0);
    for (std::size_t k = 0; k < oldOnly.size(); ++k) {
        const std::string_view name = o.nets[oldOnly[k]].name;
        if (pairOf[k] < 0) {
            d.removed.push_back({name, o.Set(oldOnly[k])});
        } else {
            d.renamed.push_back({name, n.nets[static_cast<std::size_t>(pairOf[k])].name});
            newPaired[static_cast<std::size_t>(pairOf[k])] = 1;
        }
    }
    for (const std::uint32_t k : newOnly)
        if (!newPaired[k]) d.added.push_back({n.nets[k].name, n.Set(k)});
    d.moved = Moves(d);
    d.oldWarnings = std::move(o.warnings);
    d.newWarnings = std::move(n.warnings);
    d.oldList = std::move(o.list);  // the views stay valid: the text and nodes keep their place
    d.newList = std::move(n.list);
    return d;
}

}  // namespace tarvik
