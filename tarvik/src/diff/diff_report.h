// The report of tarvik-diff: text (one change per line) or one JSON document.
#ifndef TARVIK_DIFF_REPORT_H
#define TARVIK_DIFF_REPORT_H

#include <cstddef>
#include <string_view>

#include "net_diff.h"
#include "text_out.h"

namespace tarvik {

// What the JSON document says about each file.
struct ListInfo {
    std::string_view path;  // as given on the command line
    int form = -1;          // ListFormName
    std::size_t lines = 0;  // chain lines read
};

// Text, in Windows-1251 (out converts it for a terminal): the warnings about
// the old, then the new side, then the nets removed, added and renamed, the
// nodes added and removed, the nodes moved. Names are written between double
// quotes; control bytes in names and nodes as \t, \n, \r or \xNN, so that
// every change takes one line. Nothing when the lists are the same and no
// warning is due.
void WriteTextReport(const NetDiff& diff, TextOut& out);

// JSON (UTF-8; out should write bytes as they are):
// {"old": {"file", "form", "lines", "nets", "warnings": [...]}, "new": {...},
//  "same", "removed": [{"net", "nodes"}], "added": [...],
//  "renamed": [{"from", "to"}], "changed": [{"net", "added", "removed"}],
//  "moved": [{"node", "from", "to"}]}
// with warnings {"kind": "repeated net", "net", "count"} and
// {"kind": "shared node", "node", "nets"}.
void WriteJsonReport(const NetDiff& diff, const ListInfo& oldList, const ListInfo& newList, TextOut& out);

}  // namespace tarvik

#endif
