// Reads a chain list (the text of a .cha file) back into nets: each chain line's
// net name and its nodes.
//
//     #1 "GND" = J1:1, C1:2, U1:4;      the name, then nodes split at ", "
//     #2 "SPARE" = ;                    no node (trimmed end)
//     #3 "NC" ;                         no node (overwrite end)
//
// Lines end in CR LF or LF; empty lines at the end are ignored. The name
// runs from the first double quote to the first double quote that a blank
// follows (decoders copy no blank into an ORCAD or PCAD 4.5 name and no quote
// into an ACCEL ASCII name). A line that does not begin with "#", digits, a
// blank and a double quote continues the line before it: a name or node that
// held an LF byte was split there when it went into the text box, and is
// joined again with an LF. Empty nodes (two separators in a row) are
// dropped; repeated nodes are kept.
#ifndef TARVIK_CHAIN_READER_H
#define TARVIK_CHAIN_READER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

struct ChainNet {
    std::string_view name;
    std::size_t firstNode = 0;  // index into ChainList::nodes
    std::size_t nodeCount = 0;
};

// A parsed chain list. The views point into text, so the list must not be
// copied; moving it keeps them valid (text never lives in the object itself).
struct ChainList {
    std::string text;                     // the chain list, line ends made LF
    std::vector<ChainNet> nets;           // in the order of the lines
    std::vector<std::string_view> nodes;  // every net's nodes in line order

    ChainList() = default;
    ChainList(ChainList&&) = default;
    ChainList& operator=(ChainList&&) = default;
    ChainList(const ChainList&) = delete;
    ChainList& operator=(const ChainList&) = delete;

    std::string_view Node(const ChainNet& net, std::size_t k) const { return nodes[net.firstNode + k]; }
};

// Parses the chain list text given (taken over by list). Returns 0, or the
// 1-based number of the first line that is not part of a chain line; list
// then holds the nets before it.
std::size_t ParseChainList(std::string text, ChainList& list);

}  // namespace tarvik

#endif
