// tarvik-diff's text and JSON reports.
#include "diff_report.h"

#include <cstdio>
#include <string>

#include "cp1251.h"
#include "list_loader.h"

namespace tarvik {

namespace {

// ---- Text -------------------------------------------------------------------

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7f; }

// A name or node with its control bytes escaped.
void Shown(TextOut& out, std::string_view s) {
    std::size_t from = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const auto b = static_cast<unsigned char>(s[k]);
        if (!IsControl(b)) continue;
        out << s.substr(from, k - from);
        if (b == '\t') out << "\\t";
        else if (b == '\n') out << "\\n";
        else if (b == '\r') out << "\\r";
        else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out << hex;
        }
        from = k + 1;
    }
    out << s.substr(from);
}

void Quoted(TextOut& out, std::string_view name) {
    out << '"';
    Shown(out, name);
    out << '"';
}

void Warnings(TextOut& out, const SideWarnings& w, std::string_view side) {
    for (const auto& r : w.repeatedNets) {
        out << "warning: " << side << ": net ";
        Quoted(out, r.name);
        out << " stands " << std::to_string(r.count) << " times, compared as one net\n";
    }
    for (const auto& s : w.sharedNodes) {
        out << "warning: " << side << ": node ";
        Shown(out, s.node);
        out << " stands in " << std::to_string(s.nets.size()) << " nets: ";
        for (std::size_t k = 0; k < s.nets.size(); ++k) {
            if (k) out << ", ";
            Quoted(out, s.nets[k]);
        }
        out << '\n';
    }
}

void Nets(TextOut& out, const std::vector<NetNodes>& nets, std::string_view what) {
    for (const auto& n : nets) {
        out << "net " << what << ' ';
        Quoted(out, n.name);
        out << " = ";
        for (std::size_t k = 0; k < n.nodes.size(); ++k) {
            if (k) out << ", ";
            Shown(out, n.nodes[k]);
        }
        out << ";\n";
    }
}

// ---- JSON -------------------------------------------------------------------

// A JSON string of Windows-1251 bytes.
void JsonString(TextOut& out, std::string_view s) {
    std::string j = "\"";
    for (const char c : cp1251::to_utf8(s)) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            j += '\\';
            j += c;
        } else if (b < 0x20) {
            char hex[7];
            std::snprintf(hex, sizeof hex, "\\u%04x", b);
            j += hex;
        } else {
            j += c;
        }
    }
    out << j << '"';
}

// A path as JSON: the bytes taken as UTF-8 when they are, else as Windows-1251.
void JsonPath(TextOut& out, std::string_view path) {
    bool lossless = false;
    const std::string asCp1251 = cp1251::from_utf8(path, '?', &lossless);
    JsonString(out, lossless ? asCp1251 : std::string(path));
}

void JsonList(TextOut& out, const auto& items, auto each) {
    out << '[';
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k) out << ", ";
        each(items[k]);
    }
    out << ']';
}

// A list of records, one per line.
void JsonRecords(TextOut& out, const auto& records, auto each) {
    if (records.empty()) {
        out << "[]";
        return;
    }
    out << "[\n";
    for (std::size_t k = 0; k < records.size(); ++k) {
        out << "    ";
        each(records[k]);
        out << (k + 1 < records.size() ? ",\n" : "\n");
    }
    out << "  ]";
}

void JsonSide(TextOut& out, const ListInfo& info, std::size_t nets, const SideWarnings& w) {
    struct Warning {
        const RepeatedNet* net;
        const SharedNode* node;
    };
    std::vector<Warning> all;
    for (const auto& r : w.repeatedNets) all.push_back({&r, nullptr});
    for (const auto& s : w.sharedNodes) all.push_back({nullptr, &s});
    out << "{\"file\": ";
    JsonPath(out, info.path);
    out << ", \"form\": \"" << ListFormName(info.form) << "\", \"lines\": " << std::to_string(info.lines)
        << ", \"nets\": " << std::to_string(nets) << ", \"warnings\": ";
    JsonRecords(out, all, [&](const Warning& x) {
        if (x.net) {
            out << "{\"kind\": \"repeated net\", \"net\": ";
            JsonString(out, x.net->name);
            out << ", \"count\": " << std::to_string(x.net->count) << '}';
        } else {
            out << "{\"kind\": \"shared node\", \"node\": ";
            JsonString(out, x.node->node);
            out << ", \"nets\": ";
            JsonList(out, x.node->nets, [&](std::string_view n) { JsonString(out, n); });
            out << '}';
        }
    });
    out << '}';
}

}  // namespace

void WriteTextReport(const NetDiff& d, TextOut& out) {
    Warnings(out, d.oldWarnings, "old");
    Warnings(out, d.newWarnings, "new");
    Nets(out, d.removed, "removed");
    Nets(out, d.added, "added");
    for (const auto& r : d.renamed) {
        out << "net renamed ";
        Quoted(out, r.from);
        out << " to ";
        Quoted(out, r.to);
        out << '\n';
    }
    for (const auto& c : d.changed) {
        out << (c.added ? "node added " : "node removed ");
        Shown(out, c.node);
        out << (c.added ? " to " : " from ");
        Quoted(out, c.net);
        out << '\n';
    }
    for (const auto& m : d.moved) {
        out << "node moved ";
        Shown(out, m.node);
        out << " from ";
        Quoted(out, m.from);
        out << " to ";
        Quoted(out, m.to);
        out << '\n';
    }
}

void WriteJsonReport(const NetDiff& d, const ListInfo& oldList, const ListInfo& newList, TextOut& out) {
    const auto nodes = [&](std::span<const std::string_view> list) {
        JsonList(out, list, [&](std::string_view n) { JsonString(out, n); });
    };
    out << "{\n  \"old\": ";
    JsonSide(out, oldList, d.oldNets, d.oldWarnings);
    out << ",\n  \"new\": ";
    JsonSide(out, newList, d.newNets, d.newWarnings);
    out << ",\n  \"same\": " << (d.Same() ? "true" : "false");
    for (const auto& [key, nets] : {std::pair{"removed", &d.removed}, std::pair{"added", &d.added}}) {
        out << ",\n  \"" << key << "\": ";
        JsonRecords(out, *nets, [&](const NetNodes& n) {
            out << "{\"net\": ";
            JsonString(out, n.name);
            out << ", \"nodes\": ";
            nodes(n.nodes);
            out << '}';
        });
    }
    out << ",\n  \"renamed\": ";
    JsonRecords(out, d.renamed, [&](const NetRename& r) {
        out << "{\"from\": ";
        JsonString(out, r.from);
        out << ", \"to\": ";
        JsonString(out, r.to);
        out << '}';
    });
    // Node changes grouped by net.
    struct NetChanges {
        std::string_view net;
        std::vector<std::string_view> added, removed;
    };
    std::vector<NetChanges> changed;
    for (const auto& c : d.changed) {
        if (changed.empty() || changed.back().net != c.net) changed.push_back({c.net, {}, {}});
        (c.added ? changed.back().added : changed.back().removed).push_back(c.node);
    }
    out << ",\n  \"changed\": ";
    JsonRecords(out, changed, [&](const NetChanges& c) {
        out << "{\"net\": ";
        JsonString(out, c.net);
        out << ", \"added\": ";
        nodes(c.added);
        out << ", \"removed\": ";
        nodes(c.removed);
        out << '}';
    });
    out << ",\n  \"moved\": ";
    JsonRecords(out, d.moved, [&](const NodeMove& m) {
        out << "{\"node\": ";
        JsonString(out, m.node);
        out << ", \"from\": ";
        JsonString(out, m.from);
        out << ", \"to\": ";
        JsonString(out, m.to);
        out << '}';
    });
    out << "\n}\n";
}

}  // namespace tarvik
