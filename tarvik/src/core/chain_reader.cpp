// Reads chain lines back into net names and nodes.
#include "chain_reader.h"

#include <cstdint>
#include <cstring>

namespace tarvik {

namespace {

// Counts the LF and comma bytes of [p, p + n), eight bytes at a time.
void CountLinesAndCommas(const char* p, std::size_t n, std::size_t& lfs, std::size_t& commas) {
    constexpr std::uint64_t k7f = 0x7f7f7f7f7f7f7f7fULL, k01 = 0x0101010101010101ULL;
    // 1 in each byte that is zero, 0 in the others.
    const auto zeros = [](std::uint64_t x) { return (~(((x & k7f) + k7f) | x | k7f)) >> 7; };
    // Sum of the eight bytes (each at most 255).
    const auto sum = [](std::uint64_t x) {
        x = (x & 0x00ff00ff00ff00ffULL) + ((x >> 8) & 0x00ff00ff00ff00ffULL);
        x += x >> 16;
        x += x >> 32;
        return static_cast<std::size_t>(x & 0xffff);
    };
    std::size_t i = 0;
    while (i + 8 <= n) {
        std::uint64_t l = 0, c = 0;
        for (int round = 0; round < 255 && i + 8 <= n; ++round, i += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            l += zeros(w ^ (k01 * '\n'));
            c += zeros(w ^ (k01 * ','));
        }
        lfs += sum(l);
        commas += sum(c);
    }
    for (; i < n; ++i) {
        lfs += p[i] == '\n';
        commas += p[i] == ',';
    }
}

// A line that begins a chain line: "#", digits, blank, double quote.
// Returns the index of the name's first byte, or 0 when it does not.
std::size_t NameStart(std::string_view line) {
    if (line.size() < 4 || line[0] != '#') return 0;
    std::size_t k = 1;
    while (k < line.size() && line[k] >= '0' && line[k] <= '9') ++k;
    if (k == 1 || k + 1 >= line.size() || line[k] != ' ' || line[k + 1] != '"') return 0;
    return k + 2;
}

// Splits the node text at ", ", dropping empty nodes.
void SplitNodes(std::string_view body, std::vector<std::string_view>& nodes) {
    std::size_t from = 0;
    for (;;) {
        std::size_t sep = body.find(", ", from);
        const std::size_t end = sep == std::string_view::npos ? body.size() : sep;
        if (end > from) nodes.push_back(body.substr(from, end - from));
        if (sep == std::string_view::npos) return;
        from = sep + 2;
    }
}

// Reads one chain line (which may hold LF bytes) into list; false when it is
// not one.
bool ReadChainLine(std::string_view line, ChainList& list) {
    const std::size_t nameAt = NameStart(line);
    if (!nameAt || line.back() != ';') return false;
    std::size_t q = nameAt;
    for (;;) {
        q = line.find('"', q);
        if (q == std::string_view::npos || q + 1 >= line.size()) return false;
        if (line[q + 1] == ' ') break;
        ++q;
    }
    ChainNet net;
    net.name = line.substr(nameAt, q - nameAt);
    net.firstNode = list.nodes.size();
    // After the name's quote and blank: ";", "=;" or "= " nodes ";".
    const std::string_view tail = line.substr(q + 2);
    if (tail == ";" || tail == "=;") {
    } else if (tail.size() >= 3 && tail[0] == '=' && tail[1] == ' ') {
        SplitNodes(tail.substr(2, tail.size() - 3), list.nodes);
    } else {
        return false;
    }
    net.nodeCount = list.nodes.size() - net.firstNode;
    list.nets.push_back(net);
    return true;
}

}  // namespace

std::size_t ParseChainList(std::string text, ChainList& list) {
    list.nets.clear();
    list.nodes.clear();
    list.text = std::move(text);
    // Kept out of the string object (no short-string buffer), so that the
    // views stay valid when the list is moved.
    list.text.reserve(32);
    char* const base = list.text.data();
    std::size_t size = list.text.size();
    while (size && base[size - 1] == '\n') {  // line ends and empty lines at the end
        --size;
        if (size && base[size - 1] == '\r') --size;
    }
    // Room for every net and node at once: at most one per line, and one per
    // comma after the first.
    std::size_t lfs = 0, commas = 0;
    CountLinesAndCommas(base, size, lfs, commas);
    list.nets.reserve(lfs + 1);
    list.nodes.reserve(commas + lfs + 1);
    // A chain line being gathered: [start, end), its lines joined by LF in
    // place (a CR before an LF taken out), beginning at line number startNo.
    std::size_t start = 0, end = 0, startNo = 0;
    std::size_t lineNo = 0;
    for (std::size_t pos = 0; pos < size;) {
        const void* lf = std::memchr(base + pos, '\n', size - pos);
        const std::size_t next = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : size;
        const std::size_t stop = lf && next > pos && base[next - 1] == '\r' ? next - 1 : next;
        ++lineNo;
        if (NameStart({base + pos, stop - pos})) {
            if (startNo && !ReadChainLine({base + start, end - start}, list)) return startNo;
            start = pos;
            end = stop;
            startNo = lineNo;
        } else if (!startNo) {
            return lineNo;
        } else {
            base[end] = '\n';
            std::memmove(base + end + 1, base + pos, stop - pos);
            end += 1 + stop - pos;
        }
        pos = next + 1;
    }
    if (startNo && !ReadChainLine({base + start, end - start}, list)) return startNo;
    return 0;
}

}  // namespace tarvik
