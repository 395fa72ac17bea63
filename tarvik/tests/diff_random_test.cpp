// Randomised test of the comparison: a generated board, random edits (rename,
// rename with a node added, node moved, net added or removed, node added or
// removed), both lists written in random forms and read back through the
// loader; the report must list exactly those edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cp1251.h"
#include "list_loader.h"
#include "net_diff.h"
#include "shell.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

struct Node {
    std::string ref, pin;
    std::string Chain() const { return ref + ":" + pin; }
};
struct Net {
    std::string name;
    std::vector<Node> nodes;
};
using Board = std::vector<Net>;

// Names and nodes never used before: every node stands in one net.
struct Fresh {
    int nets = 0, nodes = 0;
    std::string Name(std::mt19937& rng) {
        // Some names in Cyrillic, kept short for the PCAD 4.5 name column.
        return (rng() % 4 == 0 ? std::string("Ц"_cp1251) : std::string("N")) + std::to_string(++nets);
    }
    Node MakeNode() {
        const int k = nodes++;
        static const char* const prefixes[] = {"R", "C", "U", "DD", "VT"};
        return {prefixes[k % 5] + std::to_string(k / 5 / 8 + 1), std::to_string(k / 5 % 8 + 1)};
    }
};

// ---- Writing a board in each form -------------------------------------------

std::string Accel(const Board& b) {
    std::string s = "ACCEL_ASCII \"r.sch\"\n(netlist \"N\"\n";
    for (const Net& n : b) {
        s += "  (net \"" + n.name + "\"\n";
        for (const Node& x : n.nodes) s += "    (node \"" + x.ref + "\" \"" + x.pin + "\")\n";
        s += "  )\n";
    }
    return s + ")\n";
}

std::string Orcad(const Board& b) {
    std::string s = "BOARD = R.PCB;\n\nNETS\n\n";
    for (const Net& n : b) {
        s += n.name + " = ";
        for (const Node& x : n.nodes) s += x.ref + "/" + x.pin + " ";
        s += ";\n";
    }
    return s + "\nEND.\n";
}

std::string Pcad(const Board& b) {
    std::string s = "%PCAD 4.5 NET LIST\n%NET\n";
    for (const Net& n : b) {
        std::size_t k = 0;
        do {
            std::string line = k == 0 ? "  " + n.name : "";
            line.resize(18, ' ');
            if (k < n.nodes.size()) line += n.nodes[k].ref + "-" + n.nodes[k].pin;
            line.resize(38, ' ');
            if (k + 1 < n.nodes.size()) line += n.nodes[k + 1].ref + "-" + n.nodes[k + 1].pin;
            s += line + "\n";
            k += 2;
        } while (k < n.nodes.size());
    }
    return s + "%END\n";
}

std::string Cha(const Board& b) {
    std::string s;
    for (std::size_t k = 0; k < b.size(); ++k) {
        s += "#" + std::to_string(k + 1) + " \"" + b[k].name + "\" = ";
        for (std::size_t j = 0; j < b[k].nodes.size(); ++j) s += (j ? ", " : "") + b[k].nodes[j].Chain();
        s += ";\r\n";
    }
    return s;
}

// Writes the board in a random form and reads it back through the loader.
void WriteAndLoad(const Board& b, const std::string& stem, std::mt19937& rng, ChainList& list) {
    const int form = static_cast<int>(rng() % 4);
    const std::string bytes = form == 0 ? Accel(b) : form == 1 ? Orcad(b) : form == 2 ? Pcad(b) : Cha(b);
    const std::string path = WriteTemp(bytes, stem + (form == 3 ? ".cha" : ".net"));
    const LoadResult r = LoadList(path.c_str(), S.MainPanel, kChainBox, list);
    ASSERT_EQ(r.status, LoadResult::Ok) << path;
    ASSERT_EQ(r.form, form == 3 ? FormChainList : form);
}

// ---- The report expected from the edits -------------------------------------

using Strings = std::vector<std::string>;
struct Report {
    std::vector<std::pair<std::string, Strings>> removed, added;
    std::vector<std::pair<std::string, std::string>> renamed;
    std::vector<std::tuple<std::string, std::string, bool>> changed;  // net, node, added
    std::vector<std::tuple<std::string, std::string, std::string>> moved;  // node, from, to

    void Sort() {
        std::sort(removed.begin(), removed.end());
        std::sort(added.begin(), added.end());
        std::sort(renamed.begin(), renamed.end());
        std::sort(changed.begin(), changed.end());
        std::sort(moved.begin(), moved.end(), [](const auto& a, const auto& b) {
            return std::tie(std::get<1>(a), std::get<0>(a)) < std::tie(std::get<1>(b), std::get<0>(b));
        });
    }
    bool operator==(const Report&) const = default;
};

Strings ChainNodes(const Net& n) {
    Strings s;
    for (const Node& x : n.nodes) s.push_back(x.Chain());
    std::sort(s.begin(), s.end());
    return s;
}

Report Reported(const NetDiff& d) {
    Report r;
    const auto strings = [](std::span<const std::string_view> v) { return Strings(v.begin(), v.end()); };
    for (const auto& n : d.removed) r.removed.emplace_back(std::string(n.name), strings(n.nodes));
    for (const auto& n : d.added) r.added.emplace_back(std::string(n.name), strings(n.nodes));
    for (const auto& n : d.renamed) r.renamed.emplace_back(std::string(n.from), std::string(n.to));
    for (const auto& c : d.changed) r.changed.emplace_back(std::string(c.net), std::string(c.node), c.added);
    for (const auto& m : d.moved) r.moved.emplace_back(std::string(m.node), std::string(m.from), std::string(m.to));
    return r;
}

std::string Describe(const Report& r) {
    std::string s;
    for (const auto& [n, nodes] : r.removed) s += "removed " + n + "\n";
    for (const auto& [n, nodes] : r.added) s += "added " + n + "\n";
    for (const auto& [a, b] : r.renamed) s += "renamed " + a + " " + b + "\n";
    for (const auto& [n, x, add] : r.changed) s += std::string(add ? "+" : "-") + x + " " + n + "\n";
    for (const auto& [x, a, b] : r.moved) s += "moved " + x + " " + a + " " + b + "\n";
    return cp1251::to_utf8(s);
}

enum Edit { Rename, RenameAndAddNode, MoveNode, AddNet, RemoveNet, AddNode, RemoveNode, kEdits };

// Applies edits to nets that no earlier edit touched, so that each shows in
// the report on its own; returns the report they must give.
Report ApplyEdits(Board& b, int edits, Fresh& fresh, std::mt19937& rng) {
    Report want;
    std::vector<std::size_t> untouched(b.size());
    for (std::size_t k = 0; k < b.size(); ++k) untouched[k] = k;
    std::shuffle(untouched.begin(), untouched.end(), rng);
    std::vector<std::size_t> gone;  // nets removed
    const auto take = [&](bool withNodes) -> Net* {
        for (std::size_t k = 0; k < untouched.size(); ++k)
            if (!withNodes || !b[untouched[k]].nodes.empty()) {
                Net* n = &b[untouched[k]];
                untouched.erase(untouched.begin() + static_cast<std::ptrdiff_t>(k));
                return n;
            }
        return nullptr;
    };
    std::vector<Net> newNets;
    for (int e = 0; e < edits; ++e) {
        switch (static_cast<Edit>(rng() % kEdits)) {
        case Rename:
            if (Net* n = take(true)) {
                const std::string to = fresh.Name(rng);
                want.renamed.emplace_back(n->name, to);
                n->name = to;
            }
            break;
        case RenameAndAddNode:
            if (Net* n = take(true)) {
                const std::string to = fresh.Name(rng);
                want.removed.emplace_back(n->name, ChainNodes(*n));
                for (const Node& x : n->nodes) want.moved.emplace_back(x.Chain(), n->name, to);
                n->name = to;
                n->nodes.push_back(fresh.MakeNode());
                want.added.emplace_back(n->name, ChainNodes(*n));
            }
            break;
        case MoveNode: {
            Net* from = take(true);
            Net* to = from ? take(false) : nullptr;
            if (!to) break;
            const std::size_t k = rng() % from->nodes.size();
            const Node x = from->nodes[k];
            from->nodes.erase(from->nodes.begin() + static_cast<std::ptrdiff_t>(k));
            to->nodes.push_back(x);
            want.changed.emplace_back(from->name, x.Chain(), false);
            want.changed.emplace_back(to->name, x.Chain(), true);
            want.moved.emplace_back(x.Chain(), from->name, to->name);
            break;
        }
        case AddNet: {
            Net n{fresh.Name(rng), {}};
            for (int k = static_cast<int>(rng() % 4); k > 0; --k) n.nodes.push_back(fresh.MakeNode());
            want.added.emplace_back(n.name, ChainNodes(n));
            newNets.push_back(n);
            break;
        }
        case RemoveNet:
            if (Net* n = take(false)) {
                want.removed.emplace_back(n->name, ChainNodes(*n));
                gone.push_back(static_cast<std::size_t>(n - b.data()));
            }
            break;
        case AddNode:
            if (Net* n = take(false)) {
                n->nodes.push_back(fresh.MakeNode());
                want.changed.emplace_back(n->name, n->nodes.back().Chain(), true);
            }
            break;
        case RemoveNode:
            if (Net* n = take(true)) {
                const std::size_t k = rng() % n->nodes.size();
                want.changed.emplace_back(n->name, n->nodes[k].Chain(), false);
                n->nodes.erase(n->nodes.begin() + static_cast<std::ptrdiff_t>(k));
            }
            break;
        case kEdits: break;
        }
    }
    std::sort(gone.rbegin(), gone.rend());
    for (std::size_t k : gone) b.erase(b.begin() + static_cast<std::ptrdiff_t>(k));
    b.insert(b.end(), newNets.begin(), newNets.end());
    want.Sort();
    return want;
}

// Order of nets and nodes does not matter, nor does a node written twice.
void Shuffle(Board& b, std::mt19937& rng) {
    std::shuffle(b.begin(), b.end(), rng);
    for (Net& n : b) {
        if (!n.nodes.empty() && rng() % 8 == 0) n.nodes.push_back(n.nodes[rng() % n.nodes.size()]);
        std::shuffle(n.nodes.begin(), n.nodes.end(), rng);
    }
}

void CompareAfterEdits(unsigned seed, int nets, int edits) {
    std::mt19937 rng(seed);
    Fresh fresh;
    Board oldBoard;
    for (int k = 0; k < nets; ++k) {
        Net n{fresh.Name(rng), {}};
        for (int j = 1 + static_cast<int>(rng() % 6); j > 0; --j) n.nodes.push_back(fresh.MakeNode());
        oldBoard.push_back(n);
    }
    Board newBoard = oldBoard;
    const Report want = ApplyEdits(newBoard, edits, fresh, rng);
    Shuffle(newBoard, rng);
    ChainList a, b;
    WriteAndLoad(oldBoard, "random_old", rng, a);
    WriteAndLoad(newBoard, "random_new", rng, b);
    const NetDiff d = CompareNets(std::move(a), std::move(b));
    const Report got = Reported(d);
    EXPECT_EQ(got, want) << "seed " << seed << "\nwanted:\n" << Describe(want) << "got:\n" << Describe(got);
    EXPECT_EQ(d.Same(), want.removed.empty() && want.added.empty() && want.renamed.empty() && want.changed.empty());
    EXPECT_TRUE(d.oldWarnings.empty());
    EXPECT_TRUE(d.newWarnings.empty());
}

TEST(DiffRandom, SmallBoardsReportExactlyTheEdits) {
    for (unsigned seed = 1; seed <= 150; ++seed) {
        std::mt19937 size(seed);
        CompareAfterEdits(seed, 1 + static_cast<int>(size() % 60), static_cast<int>(size() % 9));
    }
}

TEST(DiffRandom, ALargeBoardReportsExactlyTheEdits) { CompareAfterEdits(4711, 5000, 600); }

}  // namespace
}  // namespace tarvik::test
