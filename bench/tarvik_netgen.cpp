// Writes a large synthetic net list on standard output for the benchmarks;
// the output is the same for the same arguments. The forms' layouts are in
// netgen_forms.cpp.
//
//   tarvik_netgen FORM MEGABYTES
//     for tarvik-convert: up to that size. ACCEL ASCII, ORCAD and PCAD 4.5
//     get nets of 2 to 9 nodes of realistic references and pins, drawn at
//     random (a node stands in many nets); the other forms a board of parts
//     whose every pin stands in one net of 2 to 9 nodes, with the parts
//     section the form has;
//   tarvik_netgen FORM|cha --nets COUNT [--edits EDITS]
//     for tarvik-diff: a board of COUNT nets of 2 to 9 nodes in which every
//     pin stands in one net; with --edits, the same board after that many
//     random edits (nets renamed, added and removed; nodes moved, added and
//     removed). cha writes the board as a chain list.
//   tarvik_netgen --list-forms
//     the forms' names, one a line; after a tab, the form whose decoder
//     reads it when that has another name (Tango: Protel).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "netgen_forms.h"

namespace {

using tarvik::netgen::Board;
using tarvik::netgen::Form;
using tarvik::netgen::Net;
using tarvik::netgen::Node;

const char* const kPrefixes[] = {"R", "C", "U", "DD", "DA", "VD", "VT", "L", "X", "SB"};

std::vector<Node> MakeNodes(std::mt19937& rng) {
    std::uniform_int_distribution<int> count(2, 9), prefix(0, 9), number(1, 400), pin(1, 64);
    std::vector<Node> nodes(static_cast<std::size_t>(count(rng)));
    for (auto& n : nodes) {
        n.ref = kPrefixes[prefix(rng)] + std::to_string(number(rng));
        n.pin = std::to_string(pin(rng));
    }
    return nodes;
}

void Flush(std::string& out) {
    if (out.size() > (1u << 20)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }
}

// ---- A board for tarvik-diff --------------------------------------------------

// Node number i is pin i % 8 + 1 of component i / 8.
Node BoardNode(std::uint32_t i) {
    const std::uint32_t c = i / 8;
    return {kPrefixes[c % 10] + std::to_string(c / 10 + 1), std::to_string(i % 8 + 1)};
}

struct BoardNet {
    std::string name;
    std::vector<std::uint32_t> nodes;
    bool removed = false;
};

std::vector<BoardNet> MakeBoard(long long count) {
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> size(2, 9);
    std::vector<BoardNet> nets(static_cast<std::size_t>(count));
    std::uint32_t total = 0;
    for (auto& n : nets) {
        n.nodes.resize(static_cast<std::size_t>(size(rng)));
        total += static_cast<std::uint32_t>(n.nodes.size());
    }
    std::vector<std::uint32_t> pins(total);
    for (std::uint32_t i = 0; i < total; ++i) pins[i] = i;
    std::shuffle(pins.begin(), pins.end(), rng);
    std::uint32_t next = 0;
    for (std::size_t k = 0; k < nets.size(); ++k) {
        nets[k].name = "NET_" + std::to_string(k + 1);
        for (auto& p : nets[k].nodes) p = pins[next++];
    }
    return nets;
}

// Random edits, each on a random net; new nodes are pins of new components.
void EditBoard(std::vector<BoardNet>& nets, long long edits) {
    std::mt19937 rng(1147);
    std::uint32_t fresh = 0;
    for (const auto& n : nets)
        for (auto p : n.nodes) fresh = std::max(fresh, p + 1);
    fresh = (fresh + 7) / 8 * 8;
    const auto any = [&] { return static_cast<std::size_t>(rng() % nets.size()); };
    for (long long e = 0; e < edits; ++e) {
        BoardNet& n = nets[any()];
        switch (rng() % 6) {
        case 0: n.name = "RENAMED_" + std::to_string(e + 1); break;
        case 1: {
            BoardNet& to = nets[any()];
            if (n.nodes.empty()) break;
            to.nodes.push_back(n.nodes.back());
            n.nodes.pop_back();
            break;
        }
        case 2: nets.push_back({"ADDED_" + std::to_string(e + 1), {fresh, fresh + 1}, false}), fresh += 8; break;
        case 3: n.removed = true; break;
        case 4: n.nodes.push_back(fresh), fresh += 8; break;
        case 5:
            if (!n.nodes.empty()) n.nodes.erase(n.nodes.begin() + static_cast<std::ptrdiff_t>(rng() % n.nodes.size()));
            break;
        }
    }
}

// The board for tarvik-diff in the form, or as a chain list (form null).
int WriteBoard(const Form* form, long long count, long long edits) {
    auto nets = MakeBoard(count);
    if (edits > 0) EditBoard(nets, edits);
    Board board;
    for (const auto& n : nets) {
        if (n.removed) continue;
        board.push_back({n.name, {}});
        for (auto p : n.nodes) board.back().nodes.push_back(BoardNode(p));
    }
    std::string out;
    if (form) {
        out = tarvik::netgen::Write(*form, board);
    } else {
        for (const auto& line : tarvik::netgen::ChainLines(board)) out += line + "\r\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

// About limit bytes in the form. The three forms tried in turn get nets of
// random nodes (a node stands in many nets), as they always had; the others a
// board whose every pin stands in one net, written block by block: each
// block's parts, then each block's nets, every block made twice from its seed.
void WriteLarge(const Form& form, long long limit) {
    std::string out;
    tarvik::netgen::Begin(form, out);
    if (form.order == tarvik::netgen::Order::File && &form < &tarvik::netgen::Forms()[3]) {
        std::mt19937 rng(4711);
        long long written = 0;
        for (int k = 1; written + static_cast<long long>(out.size()) < limit; ++k) {
            const Board net{{"NET_" + std::to_string(k), MakeNodes(rng)}};
            tarvik::netgen::Nets(form, net, out);
            if (out.size() > (1u << 20)) {
                written += static_cast<long long>(std::fwrite(out.data(), 1, out.size(), stdout));
                out.clear();
            }
        }
        tarvik::netgen::End(form, out);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return;
    }
    constexpr int kParts = 2000;
    const auto block = [&](long long b) {
        return tarvik::netgen::MakeBoard(form, 4711 + static_cast<std::uint32_t>(b), static_cast<int>(b * kParts), kParts, false);
    };
    // Later blocks have longer references: the count is estimated from the
    // first block, then again from a block halfway.
    const auto size = [&](long long b) {
        std::string probe;
        tarvik::netgen::Parts(form, block(b), probe);
        tarvik::netgen::Nets(form, block(b), probe);
        return static_cast<long long>(probe.size());
    };
    const auto count = [&](long long each) { return std::max<long long>(1, (limit + each / 2) / each); };
    const long long blocks = count(size(count(size(0)) / 2));
    for (long long b = 0; b < blocks; ++b) {
        tarvik::netgen::Parts(form, block(b), out);
        Flush(out);
    }
    tarvik::netgen::Middle(form, out);
    for (long long b = 0; b < blocks; ++b) {
        tarvik::netgen::Nets(form, block(b), out);
        Flush(out);
    }
    tarvik::netgen::End(form, out);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

const char* const kUsage =
    "usage: tarvik_netgen FORM MEGABYTES\n"
    "       tarvik_netgen FORM|cha --nets COUNT [--edits EDITS]\n"
    "       tarvik_netgen --list-forms   (NAME, or NAME TAB the form that reads it)\n"
    "Writes a synthetic net list of about MEGABYTES million bytes in the given\n"
    "form on standard output (the same bytes for the same arguments); with\n"
    "--nets, a board of COUNT nets in which every pin stands in one net, after\n"
    "EDITS random edits (renames, moved nodes, nets and nodes added and removed);\n"
    "cha writes that board as a chain list. FORM is a form's name as\n"
    "--list-forms gives it (letters in any case; blanks, '-' and '_' may be\n"
    "left out): accel, orcad, pcad45, kicad, \"OrCAD PCB II\", pads-pcb, ...\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--list-forms") == 0) {
        for (const auto& f : tarvik::netgen::Forms())
            std::printf(f.readBy ? "%s\t%s\n" : "%s\n", f.name, f.readBy ? f.readBy : "");
        return 0;
    }
    if (argc < 3) return Usage();
    const bool chainList = std::strcmp(argv[1], "cha") == 0;
    const Form* form = tarvik::netgen::FindForm(argv[1]);
    if (!form && !chainList) {
        std::fprintf(stderr, "tarvik_netgen: unknown form '%s' (see --list-forms)\n", argv[1]);
        return 2;
    }
    if (argc >= 4 && std::strcmp(argv[2], "--nets") == 0) {
        const long long count = std::atoll(argv[3]);
        long long edits = 0;
        if (argc == 6 && std::strcmp(argv[4], "--edits") == 0) edits = std::atoll(argv[5]);
        else if (argc != 4) return Usage();
        if (count <= 0) return Usage();
        return WriteBoard(form, count, edits);
    }
    if (argc != 3 || chainList) return Usage();
    char* end = nullptr;
    const long long megabytes = std::strtoll(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || megabytes < 0 || megabytes > 1000000) {
        std::fprintf(stderr, "tarvik_netgen: MEGABYTES must be a whole number from 0 to 1000000, not '%s'\n", argv[2]);
        return 2;
    }
    WriteLarge(*form, megabytes * 1000000LL);
    return 0;
}
