// Writes a large synthetic net list on standard output for the tarvik-convert
// benchmark: tarvik_netgen accel|orcad|pcad45 MEGABYTES. Nets have 2 to 9 nodes
// of realistic references and pins; the output is the same for the same arguments.
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

void Accel(std::string& out, int k, const std::vector<Node>& nodes) {
    out += "    (net \"NET_" + std::to_string(k) + "\"\n";
    for (const auto& n : nodes) out += "      (node \"" + n.ref + "\" \"" + n.pin + "\")\n";
    out += "    )\n";
}

void Orcad(std::string& out, int k, const std::vector<Node>& nodes) {
    std::string name = "NET_" + std::to_string(k);
    if (name.size() < 10) name.resize(10, ' ');
    out += name + "= ";
    for (const auto& n : nodes) out += n.ref + "/" + n.pin + " ";
    out += ";\n";
}

void Pcad(std::string& out, int k, const std::vector<Node>& nodes) {
    for (std::size_t j = 0; j < nodes.size(); j += 2) {
        std::string line = j == 0 ? "  NET_" + std::to_string(k) : "";
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

const char* const kUsage =
    "usage: tarvik_netgen accel|orcad|pcad45 MEGABYTES\n"
    "Writes a synthetic net list of about MEGABYTES million bytes in the given\n"
    "form on standard output (the same bytes for the same arguments).\n";

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string form = argv[1];
    char* end = nullptr;
    const long long megabytes = std::strtoll(argv[2], &end, 10);
    if (form != "accel" && form != "orcad" && form != "pcad45") {
        std::fprintf(stderr, "tarvik_netgen: unknown form '%s' (accel, orcad or pcad45)\n", argv[1]);
        return 2;
    }
    if (*argv[2] == '\0' || *end != '\0' || megabytes < 0 || megabytes > 1000000) {
        std::fprintf(stderr, "tarvik_netgen: MEGABYTES must be a whole number from 0 to 1000000, not '%s'\n", argv[2]);
        return 2;
    }
    const long long limit = megabytes * 1000000LL;
    std::mt19937 rng(4711);
    std::string out;
    if (form == "accel") out = "ACCEL_ASCII \"bench.sch\"\n\n(asciiHeader\n  (asciiVersion 3 0)\n  (fileUnits Mil)\n)\n\n(netlist \"Netlist_1\"\n";
    else if (form == "orcad") out = "BOARD = BENCH.PCB;\n\nPARTS\nR0805 = R1;\n\nNETS\n\n";
    else out = "%PCAD 4.5 NET LIST\n%NET\n";
    long long written = 0;
    for (int k = 1; written + static_cast<long long>(out.size()) < limit; ++k) {
        const auto nodes = MakeNodes(rng);
        if (form == "accel") Accel(out, k, nodes);
        else if (form == "orcad") Orcad(out, k, nodes);
        else Pcad(out, k, nodes);
        if (out.size() > (1u << 20)) {
            written += static_cast<long long>(std::fwrite(out.data(), 1, out.size(), stdout));
            out.clear();
        }
    }
    if (form == "accel") out += ")\n";
    if (form == "pcad45") out += "%END\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
