// Writes a large synthetic net list on standard output for the benchmarks;
// the output is the same for the same arguments.
//
//   tarvik_netgen accel|orcad|pcad45 MEGABYTES
//     for tarvik-convert: nets of 2 to 9 nodes of realistic references and
//     pins, drawn at random (a node stands in many nets), up to that size;
//   tarvik_netgen accel|orcad|pcad45|cha --nets COUNT [--edits EDITS]
//     for tarvik-diff: a board of COUNT nets of 2 to 9 nodes in which every
//     pin stands in one net; with --edits, the same board after that many
//     random edits (nets renamed, added and removed; nodes moved, added and
//     removed). cha writes the board as a chain list.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Node {
    std::string ref, pin;
};

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

void Accel(std::string& out, const std::string& name, const std::vector<Node>& nodes) {
    out += "    (net \"" + name + "\"\n";
    for (const auto& n : nodes) out += "      (node \"" + n.ref + "\" \"" + n.pin + "\")\n";
    out += "    )\n";
}

void Orcad(std::string& out, std::string name, const std::vector<Node>& nodes) {
    if (name.size() < 10) name.resize(10, ' ');
    out += name + "= ";
    for (const auto& n : nodes) out += n.ref + "/" + n.pin + " ";
    out += ";\n";
}

void Pcad(std::string& out, const std::string& name, const std::vector<Node>& nodes) {
    for (std::size_t j = 0; j < nodes.size(); j += 2) {
        std::string line = j == 0 ? "  " + name : "";
        line.resize(18, ' ');
        line += nodes[j].ref + "-" + nodes[j].pin;
        if (j + 1 < nodes.size()) {
            line.resize(38, ' ');
            line += nodes[j + 1].ref + "-" + nodes[j + 1].pin;
        }
        out += line + "\n";
    }
    // A net whose node count is even ends only at the next net's first line.
}

void Cha(std::string& out, int k, const std::string& name, const std::vector<Node>& nodes) {
    out += "#" + std::to_string(k) + " \"" + name + "\" = ";
    for (std::size_t j = 0; j < nodes.size(); ++j) out += (j ? ", " : "") + nodes[j].ref + ":" + nodes[j].pin;
    out += ";\r\n";
}

const char* const kHeaders[] = {
    "ACCEL_ASCII \"bench.sch\"\n\n(asciiHeader\n  (asciiVersion 3 0)\n  (fileUnits Mil)\n)\n\n(netlist \"Netlist_1\"\n",
    "BOARD = BENCH.PCB;\n\nPARTS\nR0805 = R1;\n\nNETS\n\n", "%PCAD 4.5 NET LIST\n%NET\n", ""};
const char* const kTrailers[] = {")\n", "", "%END\n", ""};
const char* const kForms[] = {"accel", "orcad", "pcad45", "cha"};

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

int WriteBoard(int form, long long count, long long edits) {
    auto nets = MakeBoard(count);
    if (edits > 0) EditBoard(nets, edits);
    std::string out = kHeaders[form];
    std::vector<Node> nodes;
    int k = 0;
    for (const auto& n : nets) {
        if (n.removed) continue;
        nodes.clear();
        for (auto p : n.nodes) nodes.push_back(BoardNode(p));
        switch (form) {
        case 0: Accel(out, n.name, nodes); break;
        case 1: Orcad(out, n.name, nodes); break;
        case 2: Pcad(out, n.name, nodes); break;
        default: Cha(out, ++k, n.name, nodes); break;
        }
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    out += kTrailers[form];
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

const char* const kUsage =
    "usage: tarvik_netgen accel|orcad|pcad45 MEGABYTES\n"
    "       tarvik_netgen accel|orcad|pcad45|cha --nets COUNT [--edits EDITS]\n"
    "Writes a synthetic net list of about MEGABYTES million bytes in the given\n"
    "form on standard output (the same bytes for the same arguments); with\n"
    "--nets, a board of COUNT nets in which every pin stands in one net, after\n"
    "EDITS random edits (renames, moved nodes, nets and nodes added and removed).\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The form named, or -1: accel, orcad, pcad45, and cha when allowed.
int Form(const std::string& name, bool chainList) {
    for (int f = 0; f < 4; ++f)
        if (name == kForms[f] && (f < 3 || chainList)) return f;
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[2], "--nets") == 0) {
        const int form = Form(argv[1], true);
        const long long count = std::atoll(argv[3]);
        long long edits = 0;
        if (argc == 6 && std::strcmp(argv[4], "--edits") == 0) edits = std::atoll(argv[5]);
        else if (argc != 4) return Usage();
        if (form < 0 || count <= 0) return Usage();
        return WriteBoard(form, count, edits);
    }
    if (argc != 3) return Usage();
    const int form = Form(argv[1], false);
    if (form < 0) {
        std::fprintf(stderr, "tarvik_netgen: unknown form '%s' (accel, orcad or pcad45)\n", argv[1]);
        return 2;
    }
    char* end = nullptr;
    const long long megabytes = std::strtoll(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || megabytes < 0 || megabytes > 1000000) {
        std::fprintf(stderr, "tarvik_netgen: MEGABYTES must be a whole number from 0 to 1000000, not '%s'\n", argv[2]);
        return 2;
    }
    const long long limit = megabytes * 1000000LL;
    std::mt19937 rng(4711);
    std::string out = kHeaders[form];
    long long written = 0;
    for (int k = 1; written + static_cast<long long>(out.size()) < limit; ++k) {
        const auto nodes = MakeNodes(rng);
        const std::string name = "NET_" + std::to_string(k);
        if (form == 0) Accel(out, name, nodes);
        else if (form == 1) Orcad(out, name, nodes);
        else Pcad(out, name, nodes);
        if (out.size() > (1u << 20)) {
            written += static_cast<long long>(std::fwrite(out.data(), 1, out.size(), stdout));
            out.clear();
        }
    }
    out += kTrailers[form];
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
