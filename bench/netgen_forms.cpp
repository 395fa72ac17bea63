// Net-list writers for the generated boards, one per form, each copying the
// layout of the files its design tool exports. What each writer avoids (the
// names it is given are chosen by MakeBoard from what the form carries):
//
//   ACCEL ASCII, ORCAD, PCAD 4.5: no blanks, brackets or quotes in names;
//     PCAD 4.5's names of at most 15 bytes (its nodes begin in column 19).
//   KiCad: anything; quotes and backslashes escaped, UTF-8, "<U+XXXX>" as the
//     character itself.
//   OrCAD PCB II: no blanks in fields; pins on no net are written on "?".
//   PADS-PCB, Protel, Tango, Protel 2, Calay, Intergraph, Cadnetix, Wire
//     List, PDIF, Telesis: no blanks, brackets or quotes in names; no name
//     begins with a form's own punctuation.
//   MultiWire: names of at most 16 bytes (the exporter cuts longer ones).
//   Mentor, RINF, EDIF: names quoted, so blanks and brackets, no quotes.
//   RINF: no one-pin nets (the exporter leaves them out).
//   EEsof: no names at all: nodes are numbered, pins are positions 1..n.
// No form is given empty nets or a node twice in one net.
#include "netgen_forms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <random>
#include <unordered_map>

#include "cp1251.h"

namespace tarvik::netgen {
namespace {

using namespace cp1251::literals;

// ---- Parts made from a board's nodes ---------------------------------------

struct Part {
    std::string ref, value, footprint;
    std::vector<std::pair<std::string, const std::string*>> pins;  // pin, net ("?" for none)
};

const char* const kPrefixes[] = {"R", "C", "U", "DD", "DA", "VD", "VT", "L", "X", "SB"};

std::string Value(const std::string& ref) {
    switch (ref[0]) {
    case 'R': return "10к"_cp1251;
    case 'C': return "0,1мк"_cp1251;
    case 'L': return "10мкГн"_cp1251;
    case 'V': return "BAT54";
    case 'X': return "PLS-40";
    case 'S': return "KAN0610";
    default: return "STM32F405RG";
    }
}

std::string Footprint(const std::string& ref) {
    switch (ref[0]) {
    case 'R': return "R0603";
    case 'C': return "C0603_A";
    case 'L': return "L1210";
    case 'V': return "SOT23";
    case 'X': return "PLS_40";
    case 'S': return "KAN_06";
    default: return "LQFP64_L";
    }
}

// Letters, then a number: ordered as the tools order references.
bool RefLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        std::size_t i = 0;
        while (i < s.size() && !(s[i] >= '0' && s[i] <= '9')) ++i;
        return std::pair<std::string, long>(s.substr(0, i), std::atol(s.c_str() + i));
    };
    return split(a) < split(b);
}

std::vector<Part> PartsOf(const Board& board) {
    std::vector<Part> parts;
    std::unordered_map<std::string, std::size_t> index;
    for (const auto& net : board)
        for (const auto& n : net.nodes) {
            auto [it, fresh] = index.emplace(n.ref, parts.size());
            if (fresh) parts.push_back({n.ref, Value(n.ref), Footprint(n.ref), {}});
            parts[it->second].pins.emplace_back(n.pin, &net.name);
        }
    for (auto& p : parts)
        std::sort(p.pins.begin(), p.pins.end(),
                  [](const auto& a, const auto& b) { return std::atol(a.first.c_str()) < std::atol(b.first.c_str()); });
    std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return RefLess(a.ref, b.ref); });
    return parts;
}

std::string Pad(std::string s, std::size_t width) {
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

std::string PadLeft(const std::string& s, std::size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

// Counters that run through a whole file: part and net numbers, EEsof's nodes.
struct FileState {
    long parts = 0, nets = 0, nodes = 0;
    std::unordered_map<std::string, long> numbers;  // EEsof: net -> node number
};
FileState state;

// ---- Forms of nets listed net by net ---------------------------------------

void Accel(std::string& out, const Net& net) {
    out += "    (net \"" + net.name + "\"\n";
    for (const auto& n : net.nodes) out += "      (node \"" + n.ref + "\" \"" + n.pin + "\")\n";
    out += "    )\n";
}

void Orcad(std::string& out, const Net& net) {
    out += Pad(net.name, 10) + "= ";
    for (const auto& n : net.nodes) out += n.ref + "/" + n.pin + " ";
    out += ";\n";
}

void Pcad(std::string& out, const Net& net) {
    for (std::size_t j = 0; j < net.nodes.size(); j += 2) {
        std::string line = j == 0 ? "  " + net.name : "";
        line.resize(std::max<std::size_t>(line.size(), 18), ' ');
        line += net.nodes[j].ref + "-" + net.nodes[j].pin;
        if (j + 1 < net.nodes.size()) {
            line.resize(38, ' ');
            line += net.nodes[j + 1].ref + "-" + net.nodes[j + 1].pin;
        }
        out += line + "\n";
    }
}

// KiCad's text: UTF-8, quotes and backslashes escaped, "<U+XXXX>" as the character.
std::string KicadText(const std::string& s) {
    std::string utf8;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned cp = 0;
        int used = 0;
        if (s.compare(i, 3, "<U+") == 0 && std::sscanf(s.c_str() + i + 3, "%X>%n", &cp, &used) == 1 && used > 0) {
            if (cp < 0x800) {
                utf8 += static_cast<char>(0xC0 | (cp >> 6));
            } else {
                if (cp >= 0x10000) {
                    utf8 += static_cast<char>(0xF0 | (cp >> 18));
                    utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                } else {
                    utf8 += static_cast<char>(0xE0 | (cp >> 12));
                }
                utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            }
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
            i += 2 + static_cast<std::size_t>(used);
            continue;
        }
        if (s[i] == '"' || s[i] == '\\') utf8 += '\\';
        utf8 += cp1251::to_utf8(std::string_view(&s[i], 1));
    }
    return "\"" + utf8 + "\"";
}

void KicadPart(std::string& out, const Part& p) {
    out += "    (comp (ref " + KicadText(p.ref) + ")\n      (value " + KicadText(p.value) + ")\n      (footprint " +
           KicadText("Board:" + p.footprint) + ")\n      (libsource (lib \"Device\") (part " + KicadText(p.value) +
           ") (description \"\"))\n      (sheetpath (names \"/\") (tstamps \"/\"))\n      (tstamps \"" +
           std::to_string(++state.parts) + "\"))\n";
}

void Kicad(std::string& out, const Net& net) {
    out += "    (net (code \"" + std::to_string(++state.nets) + "\") (name " + KicadText(net.name) + ")";
    for (const auto& n : net.nodes)
        out += "\n      (node (ref " + KicadText(n.ref) + ") (pin " + KicadText(n.pin) + ") (pintype \"passive\"))";
    out += ")\n";
}

// Nodes joined by blanks into lines of at most width bytes: the first line
// begins with first, the next ones with next.
void Wrapped(std::string& out, std::string line, const std::string& next, const Net& net, char sep, std::size_t width) {
    const std::size_t empty = line.size();
    for (const auto& n : net.nodes) {
        const std::size_t add = 1 + n.ref.size() + 1 + n.pin.size();
        if (line.size() > empty && line.size() + add > width) {
            out += line + "\n";
            line = next;
        }
        line += " " + n.ref + sep + n.pin;
    }
    out += line + "\n";
}

void Pads(std::string& out, const Net& net) {
    out += "*SIGNAL* " + net.name + "\n";
    Wrapped(out, "", "", net, '.', 75);
}

void Protel(std::string& out, const Net& net, char sep) {
    out += "(\n" + net.name + "\n";
    for (const auto& n : net.nodes) out += n.ref + sep + n.pin + "\n";
    out += ")\n";
}

void ProtelPart(std::string& out, const Part& p) {
    out += "[\n" + p.ref + "\n" + p.footprint + "\n" + p.value + "\n\n\n\n]\n";
}

void Protel2Part(std::string& out, const Part& p) {
    out += "[\nDESIGNATOR\n" + p.ref + "\nFOOTPRINT\n" + p.footprint + "\nPARTTYPE\n" + p.value + "\nDESCRIPTION\n" +
           "Деталь"_cp1251 + "\nComment\n" + p.value + "\nComponent Kind\nStandard\nFootprint\n" + p.footprint +
           "\nLibrary Name\nBench.SchLib\n\n*\n\n*\n\n*\n\n*\n\n*\n\n*\n]\n";
}

void Protel2(std::string& out, const Net& net) {
    out += "(\n" + net.name + "\n";
    for (const auto& n : net.nodes) out += n.ref + "-" + n.pin + " " + Value(n.ref) + "-" + n.pin + " Passive      \n";
    out += ")\n";
}

void TelesisPart(std::string& out, const Part& p) { out += p.footprint + "! " + p.value + "; " + p.ref + "\n"; }

void Telesis(std::string& out, const Net& net) {
    out += net.name + ";  ";
    for (std::size_t j = 0; j < net.nodes.size(); ++j) {
        if (j > 0 && j % 4 == 0) out += ",\n     ";
        out += net.nodes[j].ref + "." + net.nodes[j].pin + " ";
    }
    out += "\n";
}

// EDIF names: an identifier as it is, any other name renamed from one.
bool Identifier(const std::string& s) {
    if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= 0 && std::isalnum(static_cast<unsigned char>(c))) || c == '_'; });
}

std::string EdifName(const std::string& s) {
    if (Identifier(s)) return s;
    std::string id = s[0] >= '0' && s[0] <= '9' ? "&" : "";
    for (char c : s) {
        if (c == '+') id += "PLUS";
        else id += (c >= 0 && std::isalnum(static_cast<unsigned char>(c))) ? c : '_';
    }
    if (id[0] == '_') id = "N" + id;
    return "(rename " + id + " \"" + s + "\")";
}

void EdifPart(std::string& out, const Part& p) {
    out += "          (Instance " + p.ref + "\n            (viewRef NetlistView\n              (cellRef PART_" +
           std::to_string(p.pins.size()) + "\n                (LibraryRef COMPONENT_LIB)\n              )\n            )\n" +
           "            (Property Comment (String \"" + p.value + "\" ))\n            (Property Footprint (String \"" +
           p.footprint + "\" ))\n          )\n";
}

void Edif(std::string& out, const Net& net) {
    out += "          (Net " + EdifName(net.name) + "\n            (Joined \n";
    for (const auto& n : net.nodes) out += "                (PortRef &" + n.pin + " (InstanceRef " + n.ref + "))\n";
    out += "            )\n          )\n";
}

void Mentor(std::string& out, const Net& net) {
    out += "NET '" + net.name + "'";
    for (const auto& n : net.nodes) out += " " + n.ref + "-" + n.pin;
    out += "\n";
}

void Calay(std::string& out, const Net& net) {
    out += "/" + Pad(net.name, 9);
    for (std::size_t j = 0; j < net.nodes.size(); ++j) out += " " + net.nodes[j].ref + "(" + net.nodes[j].pin + ")";
    out += ";\n";
}

void PdifPart(std::string& out, const Part& p) {
    out += "      {I " + p.footprint + ".PRT " + p.ref + "\n        {CN\n";
    for (const auto& [pin, net] : p.pins) out += PadLeft(pin, 9) + " " + *net + "\n";
    out += "        }\n      }\n";
}

void IntergraphPart(std::string& out, const Part& p) { out += p.footprint + " " + p.ref + "\n"; }

void Intergraph(std::string& out, const Net& net) { Wrapped(out, net.name + " ", "* ", net, '-', 78); }

void CadnetixPart(std::string& out, const Part& p) { out += Pad(p.value, 18) + Pad(p.footprint, 16) + p.ref + "\n"; }

void Cadnetix(std::string& out, const Net& net) {
    out += "NODENAME " + Pad(net.name, 17) + "$\n  ";
    for (const auto& n : net.nodes) out += "  " + Pad(n.ref, 7) + PadLeft(n.pin, 5);
    out += "\n";
}

void MultiWire(std::string& out, const Net& net) {
    const std::string name = Pad(net.name.substr(0, 16), 18);
    for (const auto& n : net.nodes)
        out += name + n.ref + std::string(n.ref.size() + n.pin.size() < 32 ? 32 - n.ref.size() - n.pin.size() : 1, ' ') +
               n.pin + "\n";
}

void WireListPart(std::string& out, const Part& p) { out += Pad(p.value, 32) + Pad(p.ref, 15) + p.footprint + "\n"; }

void WireList(std::string& out, const Net& net) {
    char number[32];
    std::snprintf(number, sizeof number, "[%05ld] ", ++state.nets);
    out += number + net.name + "\n";
    for (const auto& n : net.nodes)
        out += "        " + Pad(n.ref, 11) + Pad(n.pin, 8) + Pad(n.pin, 15) + "PASSIVE     " + Value(n.ref) + "\n";
    out += "\n";
}

void RinfPart(std::string& out, const Part& p) {
    out += ".ADD_COM " + p.ref + " \"" + p.footprint + "\" \"" + p.footprint + "\"\n.ATT_COM " + p.ref +
           " \"Comment\" \"" + p.value + "\"\n.ATT_COM " + p.ref + " \"Footprint\" \"" + p.footprint + "\"\n\n";
}

void Rinf(std::string& out, const Net& net) {
    for (std::size_t j = 0; j < net.nodes.size(); ++j) {
        const Node& n = net.nodes[j];
        if (j == 0) out += ".ADD_TER " + n.ref + " " + n.pin + " \"" + net.name + "\"\n";
        else out += (j == 1 ? ".TER " : "     ") + n.ref + " " + n.pin + "\n";
    }
    out += "\n";
}

void EesofPart(std::string& out, const Part& p) {
    out += std::string("!") + "Деталь"_cp1251 + "\n" + p.value + "_" + p.ref;
    for (const auto& pin : p.pins) {
        auto [it, fresh] = state.numbers.emplace(*pin.second, 0);
        if (fresh) it->second = 501 + state.nodes++;
        out += " " + std::to_string(it->second);
    }
    out += std::string("  &\nComponent Kind=Standard &\nDescription=") + "Деталь"_cp1251 + " &\nFootprint=" + p.footprint +
           " &\nLibrary Name=Bench.SchLib &\nValue=" + p.value + "\n!\n";
}

void OrcadPcb2Part(std::string& out, const Part& p) {
    char number[32];
    std::snprintf(number, sizeof number, "%08ld", ++state.parts);
    out += std::string(" ( ") + number + " " + p.footprint + " " + p.ref + " " + p.value + "\n";
    for (const auto& [pin, net] : p.pins) out += "  ( " + pin + " " + *net + " )\n";
    out += " )\n";
}

// ---- The table of forms ------------------------------------------------------

struct Writer {
    const char* begin;
    void (*part)(std::string&, const Part&);
    const char* middle;
    void (*net)(std::string&, const Net&);
    const char* end;
};

const char* const kEesofBegin =
    "! EEsof For Windows File Generated By tarvik_netgen \n! File bench.PrjPcb   Date 08.12.2026   Time 09:00:00\n"
    "DIM\nFREQ \nRES  \nCOND \nIND  \nCAP  \nLNG  \nTIME \nANG  \nVOL  \nCUR  \nVAR\n\nEQN\n\nCKT\n\n"
    "! ******************* Start Sheet Netlist for : bench.SchDoc *******************\n";
const char* const kEesofEnd =
    "\nTERM\n\nPROC\n\nOUTVAR\n\nOUTEQN\n\nFILEOUT\n\nFREQ\n\nOUTPUT\n\nGRID\n\nOPT\n\nYIELD\n\nTOL\n\n";
const char* const kEdifBegin =
    "(edif bench_PrjPcb\n  (edifVersion 2 0 0)\n  (edifLevel 0)\n  (keywordMap\n     (keywordLevel 0)\n  )\n"
    "  (status\n    (written\n      (timeStamp 2026 12 8 9 0 0)\n      (program \"tarvik_netgen\"\n"
    "        (version \"1.0.0\")\n      )\n    )\n  )\n\n";
const char* const kEdifSheet =
    "  (library SHEET_LIB\n    (edifLevel 0)\n    (technology\n      (numberDefinition\n"
    "        (scale  1  1  (unit  distance))\n      )\n    )\n    (cell bench_SchDoc\n      (cellType generic)\n"
    "      (view netListView\n        (viewType netlist)\n        (interface\n        )\n        (contents\n";
const char* const kEdifEnd =
    "       )\n     )\n   )\n  )\n  (design bench_PrjPcb\n    (cellRef bench_SchDoc\n      (libraryRef SHEET_LIB)\n"
    "    )\n  )\n)\n";

const std::vector<Form> kForms = {
    {"ACCEL ASCII", Order::File, kOnePin, 0},
    {"ORCAD", Order::File, kOnePin, 0},
    {"PCAD 4.5", Order::File, kOnePin, 15},
    {"KiCad", Order::File, kBlanks | kEscapes | kUtf8 | kOnePin, 0},
    {"OrCAD PCB II", Order::Parts, kOnePin | kUnconnected, 0},
    {"PADS-PCB", Order::File, kOnePin, 0},
    {"Protel", Order::File, kOnePin, 0},
    {"Tango", Order::File, kOnePin, 0, "Protel"},
    {"Protel 2", Order::File, kOnePin, 0},
    {"Telesis", Order::File, kOnePin, 0},
    {"EDIF", Order::File, kBlanks | kOnePin, 0},
    {"Mentor", Order::File, kBlanks | kOnePin, 0},
    {"Calay", Order::File, kOnePin, 0},
    {"PDIF", Order::Parts, kOnePin, 0},
    {"Intergraph", Order::File, kOnePin, 0},
    {"Cadnetix", Order::File, kOnePin, 0},
    {"MultiWire", Order::File, kOnePin, 16},
    {"Wire List", Order::File, kOnePin, 0},
    {"RINF", Order::File, kBlanks, 0},
    {"EEsof", Order::Numbers, kOnePin, 0},
};

const Writer& WriterOf(const Form& form) {
    static const Writer kWriters[] = {
        {"ACCEL_ASCII \"bench.sch\"\n\n(asciiHeader\n  (asciiVersion 3 0)\n  (fileUnits Mil)\n)\n\n(netlist \"Netlist_1\"\n",
         nullptr, "", Accel, ")\n"},
        {"BOARD = BENCH.PCB;\n\nPARTS\nR0805 = R1;\n\nNETS\n\n", nullptr, "", Orcad, ""},
        {"%PCAD 4.5 NET LIST\n%NET\n", nullptr, "", Pcad, "%END\n"},
        {"(export (version \"E\")\n  (design\n    (source \"bench.kicad_sch\")\n    (date \"2026-12-08T09:00:00+0000\")\n"
         "    (tool \"tarvik_netgen\"))\n  (components\n",
         KicadPart, "  )\n  (nets\n", Kicad, "  ))\n"},
        {"( {OrCAD PCB II Netlist Format}\n", OrcadPcb2Part, "", nullptr, ")\n"},
        {"*PADS-PCB*\n*NET*\n", nullptr, "", Pads, "*END*\n"},
        {"", ProtelPart, "", [](std::string& o, const Net& n) { Protel(o, n, '-'); }, ""},
        {"", ProtelPart, "", [](std::string& o, const Net& n) { Protel(o, n, ','); }, ""},
        {"PROTEL NETLIST 2.0\n", Protel2Part, "", Protel2, ""},
        {"$PACKAGES\n", TelesisPart, "$NETS\n", Telesis, "$End\n"},
        {kEdifBegin, EdifPart, "", Edif, kEdifEnd},
        {"", nullptr, "", Mentor, ""},
        {"", nullptr, "", Calay, ""},
        {"{COMPONENT PROTEL.PCB\n  {ENVIRONMENT PROTEL.SCH}\n  {DETAIL\n    {SUBCOMP\n", PdifPart, "", nullptr,
         "    }\n  }\n}"},  // no line end after the last brace, as exported
        {"%PART\n", IntergraphPart, "%NET\n", Intergraph, "$\n"},
        {"PARTS LIST\n\n", CadnetixPart, "EOS\nNET LIST\n\n", Cadnetix, "EOS\n"},
        {"", nullptr, "", MultiWire, "-1\n"},
        {"Wire List\n\n<<< Component List >>>\n", WireListPart,
         "\n<<< Wire List >>>\n\n  NODE  REFERENCE  PIN #   PIN NAME       PIN TYPE    PART VALUE\n\n", WireList, ""},
        {".HEA\n.APP \"tarvik_netgen\"\n.TIM 2026 12 08 09 00 00\n.TYP FULL\n\n", RinfPart, "", Rinf, ".END\n"},
        {kEesofBegin, EesofPart, "", nullptr, kEesofEnd},
    };
    return kWriters[&form - kForms.data()];
}

// EDIF's library of cells: one per pin count, its ports &1..&n renamed "1".."n".
void EdifCells(std::string& out) {
    const int most = 16;
    out += "  (library COMPONENT_LIB\n    (edifLevel 0)\n    (technology\n      (numberDefinition\n"
           "        (scale  1  1  (unit  distance))\n      )\n    )\n";
    for (int n = 1; n <= most; ++n) {
        out += "    (cell PART_" + std::to_string(n) +
               "\n      (cellType GENERIC)\n      (view netListView\n        (viewType NETLIST)\n        (interface\n";
        for (int k = 1; k <= n; ++k)
            out += "          (port (rename &" + std::to_string(k) + " \"" + std::to_string(k) + "\") (direction INOUT))\n";
        out += "        )\n      )\n    )\n";
    }
    out += "  )\n";
}

// ---- Names of a generated board ------------------------------------------------

// Awkward names; each gets "_k" so that no two nets share a name.
std::string AwkwardName(const Form& form, std::mt19937& rng, long k) {
    std::vector<std::string> names = {"NET", "+3,3В"_cp1251, "Питание.ЦП/1"_cp1251, "VIDEO4-", "ЁжЯя"_cp1251};
    names.push_back(std::string(form.maxName ? form.maxName - 6 : 60, 'L'));
    if (form.carries & kBlanks) {
        names.push_back("Net-(J1-Pin 1)");
        names.push_back("ШИНА ДАННЫХ"_cp1251);
    }
    if (form.carries & kEscapes) {
        names.push_back("A\"B\\C");
        names.push_back("~{RESET}");
        names.push_back("\\");
    }
    if (form.carries & kUtf8) {
        names.push_back("R<U+03A9>");
        names.push_back("<U+1F600>");
    }
    return names[rng() % names.size()] + "_" + std::to_string(k);
}

}  // namespace

const std::vector<Form>& Forms() { return kForms; }

const Form* FindForm(const std::string& name) {
    const auto key = [](const std::string& s) {
        std::string k;
        for (char c : s)
            if (c != ' ' && c != '-' && c != '_') k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return k;
    };
    for (const auto& f : kForms)
        if (key(f.name) == key(name)) return &f;
    if (key(name) == "accel") return &kForms[0];
    if (key(name) == "pcad45") return &kForms[2];
    return nullptr;
}

Board MakeBoard(const Form& form, std::uint32_t seed, int firstPart, int parts, bool awkward) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pinCount(2, 16), netSize(2, 9);
    std::vector<Node> pins;
    std::vector<Node> unconnected;
    for (int c = firstPart; c < firstPart + parts; ++c) {
        const std::string ref = kPrefixes[c % 10] + std::to_string(c / 10 + 1);
        const int n = pinCount(rng);
        for (int p = 1; p <= n; ++p) {
            // Some pins of a part stand on no net where the form can say so.
            if (awkward && (form.carries & kUnconnected) && p == n && c % 3 == 0) unconnected.push_back({ref, std::to_string(p)});
            else pins.push_back({ref, std::to_string(p)});
        }
    }
    std::shuffle(pins.begin(), pins.end(), rng);
    const bool onePin = awkward && (form.carries & kOnePin);
    Board board;
    for (std::size_t next = 0; next < pins.size();) {
        std::size_t size = static_cast<std::size_t>(onePin && rng() % 5 == 0 ? 1 : netSize(rng));
        size = std::min(size, pins.size() - next);
        if (size == 1 && !(form.carries & kOnePin) && !board.empty()) {
            board.back().nodes.push_back(pins[next++]);  // no one-pin net: the last pin joins the net before
            continue;
        }
        Net net;
        const long k = static_cast<long>(board.size()) + firstPart * 16L + 1;
        net.name = awkward ? AwkwardName(form, rng, k) : "NET_" + std::to_string(k);
        net.nodes.assign(pins.begin() + static_cast<std::ptrdiff_t>(next), pins.begin() + static_cast<std::ptrdiff_t>(next + size));
        next += size;
        board.push_back(std::move(net));
    }
    if (!unconnected.empty()) board.push_back({"?", unconnected});
    return board;
}

void Begin(const Form& form, std::string& out) {
    state = FileState{};
    out += WriterOf(form).begin;
    if (std::string(form.name) == "EDIF") {  // the cells, then the sheet that holds the instances and nets
        EdifCells(out);
        out += kEdifSheet;
    }
}

void Parts(const Form& form, const Board& block, std::string& out) {
    const Writer& w = WriterOf(form);
    if (!w.part) return;
    for (const auto& p : PartsOf(block)) w.part(out, p);
}

void Middle(const Form& form, std::string& out) { out += WriterOf(form).middle; }

void Nets(const Form& form, const Board& block, std::string& out) {
    const Writer& w = WriterOf(form);
    if (!w.net) return;
    for (const auto& net : block)
        if (net.name != "?") w.net(out, net);
}

void End(const Form& form, std::string& out) { out += WriterOf(form).end; }

std::string Write(const Form& form, const Board& board) {
    std::string out;
    Begin(form, out);
    Parts(form, board, out);
    Middle(form, out);
    Nets(form, board, out);
    End(form, out);
    return out;
}

Board AsRead(const Form& form, const Board& board) {
    if (form.order == Order::File) return board;
    Board read;
    std::map<std::string, std::size_t> index;
    long number = 501;
    for (const auto& p : PartsOf(board))
        for (const auto& [pin, net] : p.pins) {
            if (*net == "?") continue;
            auto [it, fresh] = index.emplace(*net, read.size());
            if (fresh) read.push_back({form.order == Order::Numbers ? std::to_string(number++) : *net, {}});
            read[it->second].nodes.push_back({p.ref, pin});
        }
    return read;
}

std::vector<std::string> ChainLines(const Board& board) {
    std::vector<std::string> lines;
    for (const auto& net : board) {
        if (net.name == "?") continue;
        std::string line = "#" + std::to_string(lines.size() + 1) + " \"" + net.name + "\" = ";
        for (std::size_t j = 0; j < net.nodes.size(); ++j)
            line += (j ? ", " : "") + net.nodes[j].ref + ":" + net.nodes[j].pin;
        lines.push_back(line + ";");
    }
    return lines;
}

}  // namespace tarvik::netgen
