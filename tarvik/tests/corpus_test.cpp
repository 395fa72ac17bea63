// Tests over the real net lists of the shared corpus, read in place (skipped
// when the folder, or a form, is absent): the form recognised, and the chain
// lines checked against an independent reading of each file; one board
// exported in every form gives the same connections in each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decoders.h"
#include "form_support.h"
#include "support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> CorpusFiles(const char* folder) {
    std::vector<std::string> out;
    const fs::path dir = fs::path(TARVIK_CORPUS_DIR) / folder;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file()) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Every line is "#k "name" = nodes;" or "#k "name" ;", k counting from 1.
void ExpectWellFormedAndNumbered(const std::vector<std::string>& lines, const std::string& file) {
    static const std::regex line(R"(#(\d+) "[^"\n]*" (= [^\n]*)?;)");
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[k], m, line)) << file << " line " << k << ": " << lines[k];
        EXPECT_EQ(m[1].str(), std::to_string(k + 1)) << file;
    }
}

// Names of the nets as `(net "NAME"` stands in the file.
std::vector<std::string> AccelNetNames(const std::string& bytes) {
    static const std::regex net(R"re(\((?:net|NET|Net) "([^"]*)")re");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), net); it != std::sregex_iterator(); ++it)
        names.push_back((*it)[1].str());
    return names;
}

std::string NameOf(const std::string& line) {
    const auto a = line.find('"'), b = line.rfind('"');
    return line.substr(a + 1, b - a - 1);
}

TEST(Corpus, AccelFilesGiveOneWellFormedLinePerNet) {
    const auto files = CorpusFiles("accel");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    for (const auto& file : files) {
        const std::string bytes = ReadBytes(file);
        int form = FormNone;
        const Decoded d = DecodeAny(bytes, &form);
        EXPECT_EQ(form, FormACCEL) << file;
        ExpectWellFormedAndNumbered(d.lines, file);
        std::vector<std::string> names;
        for (const auto& l : d.lines) names.push_back(NameOf(l));
        EXPECT_EQ(names, AccelNetNames(bytes)) << file;
        for (const auto& l : d.lines) EXPECT_EQ(l.find("::"), std::string::npos) << l;
    }
}

// The NETS section read independently: statements "NAME = nodes ;".
std::vector<std::string> OrcadChainLines(const std::string& bytes) {
    std::string text = bytes.substr(bytes.find("\nNETS\n") + 6);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t semi; (semi = text.find(';', start)) != std::string::npos; start = semi + 1) {
        const std::string stmt = text.substr(start, semi - start);
        const auto eq = stmt.find('=');
        std::string name = stmt.substr(0, eq);
        name.erase(0, name.find_first_not_of(" \n\t"));
        name.erase(name.find_last_not_of(" \n\t") + 1);
        std::string line = "#" + std::to_string(lines.size() + 1) + " \"" + name + "\" = ";
        std::string nodes;
        std::istringstream words(stmt.substr(eq + 1));
        for (std::string w; words >> w;) {
            if (auto s = w.find('/'); s != std::string::npos) w[s] = ':';
            nodes += (nodes.empty() ? "" : ", ") + w;
        }
        lines.push_back(line + nodes + ";");
    }
    return lines;
}

TEST(Corpus, OrcadFileMatchesAnIndependentReadingOfItsNets) {
    const auto files = CorpusFiles("orcad");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    for (const auto& file : files) {
        const std::string bytes = ReadBytes(file);
        int form = FormNone;
        const Decoded d = DecodeAny(bytes, &form);
        EXPECT_EQ(form, FormORCAD) << file;
        ExpectWellFormedAndNumbered(d.lines, file);
        EXPECT_EQ(d.lines, OrcadChainLines(bytes)) << file;
    }
}

// Nodes of each net as a set, from chain lines.
std::map<std::string, std::set<std::string>> NodeSets(const std::vector<std::string>& lines) {
    std::map<std::string, std::set<std::string>> out;
    for (const auto& l : lines) {
        auto& set = out[NameOf(l)];
        const auto eq = l.find("\" = ");
        if (eq == std::string::npos) continue;
        std::string rest = l.substr(eq + 4, l.size() - eq - 5);
        for (std::size_t s = 0, c; s <= rest.size(); s = c + 2) {
            c = rest.find(", ", s);
            if (c == std::string::npos) c = rest.size();
            set.insert(rest.substr(s, c - s));
        }
    }
    return out;
}

TEST(Corpus, SameBoardInAccelAndOrcadFormHasTheSameNodes) {
    const std::string accel = std::string(TARVIK_CORPUS_DIR) + "/accel/umba-roboconf__main_board_master_MCU_pcad.NET";
    const std::string orcad = std::string(TARVIK_CORPUS_DIR) + "/orcad/umba-roboconf__main_board_master_MCU_PCAD_nlt.NET";
    if (!Exists(accel) || !Exists(orcad)) GTEST_SKIP() << "corpus files absent";
    int form = FormNone;
    const auto a = NodeSets(DecodeAny(ReadBytes(accel), &form).lines);
    const auto o = NodeSets(DecodeAny(ReadBytes(orcad), &form).lines);
    ASSERT_GT(a.size(), 100u);
    std::size_t shared = 0;
    for (const auto& [name, nodes] : a) {
        const auto it = o.find(name);
        if (it == o.end()) continue;
        ++shared;
        EXPECT_EQ(nodes, it->second) << name;
    }
    EXPECT_EQ(shared, a.size());
}

// ---- KiCad net lists ------------------------------------------------------------

// A quoted (backslash escapes) or bare token at text[k]; k moves past it.
std::string SexprToken(const std::string& text, std::size_t& k) {
    std::string out;
    if (text[k] != '"') {
        while (k < text.size() && text[k] != ')' && !std::isspace(static_cast<unsigned char>(text[k]))) out += text[k++];
        return out;
    }
    for (++k; k < text.size() && text[k] != '"'; ++k) out += text[k] == '\\' ? text[++k] : text[k];
    ++k;
    return out;
}

// The chain lines a KiCad file lists, read independently: each
// "(net (code C) (name N)" and the "(node (ref R) (pin P)" after it, names
// spelled in Windows-1251, a node repeated in a net kept once.
std::vector<std::string> KicadChainLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::set<std::string> seen;
    const auto spelled = [](const std::string& utf8) {
        std::string out;
        AppendUtf8As1251(out, utf8);
        return out;
    };
    std::size_t k = bytes.find("(nets");
    std::string nodes;
    const auto flush = [&] {
        if (!lines.empty()) lines.back() += (nodes.empty() ? " = " : " = " + nodes) + ";";
        nodes.clear();
        seen.clear();
    };
    static const std::regex net(R"re(^\(net\s+\(code\s+"?\d+"?\)\s+\(name\s+)re"), node(R"re(^\(node\s+\(ref\s+)re"),
        pin(R"re(^\)\s+\(pin\s+)re");
    for (; k < bytes.size() && k != std::string::npos; ++k) {
        if (bytes[k] != '(') continue;
        std::smatch m;
        const std::string ahead = bytes.substr(k, 64);
        if (std::regex_search(ahead, m, net)) {
            flush();
            k += m.length(0);
            lines.push_back("#" + std::to_string(lines.size() + 1) + " \"" + spelled(SexprToken(bytes, k)) + "\"");
        } else if (std::regex_search(ahead, m, node)) {
            k += m.length(0);
            const std::string ref = SexprToken(bytes, k);
            const std::string tail = bytes.substr(k, 64);
            if (!std::regex_search(tail, m, pin)) continue;
            k += m.length(0);
            const std::string n = spelled(ref) + ":" + spelled(SexprToken(bytes, k));
            if (seen.insert(n).second) nodes += (nodes.empty() ? "" : ", ") + n;
        }
    }
    flush();
    return lines;
}

TEST(Corpus, KicadFilesGiveTheNetsTheyList) {
    const int kicad = FormByName("KiCad");
    if (kicad == FormNone) GTEST_SKIP() << "no KiCad form";
    const auto files = CorpusFiles("kicad");
    std::size_t read = 0;
    for (const auto& file : files) {
        if (!file.ends_with(".net")) continue;
        const std::string bytes = ReadBytes(file);
        int form = FormNone;
        const Decoded d = DecodeAny(bytes, &form);
        EXPECT_EQ(form, kicad) << file;
        EXPECT_EQ(d.result, kDecoded) << file << ": " << FormErrorText();
        const auto expected = KicadChainLines(bytes);
        EXPECT_GT(expected.size(), 10u) << file;
        EXPECT_EQ(d.lines, expected) << file;
        ++read;
    }
    if (read == 0) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
}

// ---- One board exported in every form ----------------------------------------------

// How the exporter wrote the names of the nets in a form.
enum class Names {
    Kept,           // as in the ACCEL ASCII export
    DashBeforePin,  // its own "NetVT4_5" written "NetVT4-5"
    FirstSixteen,   // cut to 16 characters ("MCU_VIDEO4_PWR_EN" as "MCU_VIDEO4_PWR_E")
};

struct BoardExport {
    const char* file;  // in forms/
    const char* form;
    Names names;
};

constexpr const char* kBoardAccel = "umba-roboconf__main_board_master_MCU.NET";

// In the order of the table of forms' rows for them. Tango is read by
// Protel's decoder. The EEsof export is not here: it numbers the nets sheet by
// sheet, so a net that crosses sheets is split into pieces; its own corpus
// test checks that every net is the union of its pieces.
const BoardExport kBoardExports[] = {
    {"umba-roboconf__main_board_master_MCU_OrCAD-PCB2.NET", "OrCAD PCB II", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_PADS.NET", "PADS-PCB", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Protel.NET", "Protel", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Tango.NET", "Protel", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Protel2.NET", "Protel 2", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Telesis.NET", "Telesis", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Calay.NET.EDF", "EDIF", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Mentor.NET", "Mentor", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Calay.NET", "Calay", Names::DashBeforePin},
    {"umba-roboconf__main_board_master_MCU_PCAD_Netlist.NET", "PDIF", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Intergraph.NET", "Intergraph", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_Cadnetix.NET", "Cadnetix", Names::DashBeforePin},
    {"umba-roboconf__main_board_master_MCU_SciCards.NET", "Cadnetix", Names::DashBeforePin},
    {"umba-roboconf__main_board_master_MCU_MultiWire.NET", "MultiWire", Names::FirstSixteen},
    {"umba-roboconf__main_board_master_MCU_WireList.NET", "Wire List", Names::Kept},
    {"umba-roboconf__main_board_master_MCU_RINF.NET.FRP", "RINF", Names::Kept},
};

// The name the exporter gave, in a form, to the net that the ACCEL ASCII
// export names accel.
std::string ExportedName(Names names, const std::string& accel) {
    static const std::regex ownName(R"((Net[A-Z]+[0-9]+)_([0-9]+))");
    switch (names) {
    case Names::Kept: return accel;
    case Names::DashBeforePin: return std::regex_replace(accel, ownName, "$1-$2", std::regex_constants::format_first_only);
    case Names::FirstSixteen: return accel.substr(0, 16);
    }
    return accel;
}

std::string BoardFile(const char* name) { return std::string(TARVIK_CORPUS_DIR) + "/forms/" + name; }

// The nets of two or more distinct nodes: node set -> name (lines of one
// name taken together).
std::map<std::set<std::string>, std::string> Connections(const std::vector<std::string>& lines) {
    std::map<std::set<std::string>, std::string> out;
    for (auto& [name, nodes] : NodeSets(lines)) {
        nodes.erase("");
        if (nodes.size() < 2) continue;
        EXPECT_TRUE(out.emplace(nodes, name).second) << "two nets of one node set: " << name;
    }
    return out;
}

// The exports whose form is there and whose file is there, decoded; the
// ACCEL ASCII export first.
struct DecodedExport {
    const BoardExport* what;  // null for the ACCEL ASCII export
    std::string path, bytes;
    int form = FormNone;
    Decoded decoded;
    std::map<std::set<std::string>, std::string> connections;
};
std::vector<DecodedExport> DecodeBoardExports() {
    std::vector<DecodedExport> out;
    const auto add = [&](const BoardExport* what, const char* file) {
        DecodedExport e{what, BoardFile(file), {}, FormNone, {}, {}};
        if (!Exists(e.path)) return;
        e.bytes = ReadBytes(e.path);
        e.decoded = DecodeAny(e.bytes, &e.form);
        if (e.decoded.result == kFormBroken) ADD_FAILURE() << file << ": " << FormErrorText();
        e.connections = Connections(e.decoded.lines);
        out.push_back(std::move(e));
    };
    add(nullptr, kBoardAccel);
    if (out.empty()) return out;
    for (const BoardExport& x : kBoardExports)
        if (FormByName(x.form) != FormNone) add(&x, x.file);
    return out;
}

std::string Brief(const std::set<std::string>& nodes) {
    std::string out;
    for (const auto& n : nodes) out += (out.empty() ? "" : " ") + n;
    return out;
}

TEST(Corpus, EveryExportOfTheBoardIsItsFormAndGivesTheAccelConnections) {
    const auto exports = DecodeBoardExports();
    if (exports.size() < 2) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR << " or no form of the exports";
    const DecodedExport& accel = exports[0];
    EXPECT_EQ(accel.form, FormACCEL);
    EXPECT_EQ(accel.connections.size(), 199u);
    for (std::size_t k = 1; k < exports.size(); ++k) {
        const DecodedExport& e = exports[k];
        SCOPED_TRACE(e.what->file);
        EXPECT_STREQ(FormName(e.form), e.what->form);
        EXPECT_EQ(e.decoded.result, kDecoded);
        // The same groups of nodes, the differences shown a few at a time.
        int shown = 0;
        for (const auto& [nodes, name] : accel.connections)
            if (!e.connections.contains(nodes) && shown++ < 5) ADD_FAILURE() << "missing \"" << name << "\": " << Brief(nodes);
        for (const auto& [nodes, name] : e.connections)
            if (!accel.connections.contains(nodes) && shown++ < 10) ADD_FAILURE() << "extra \"" << name << "\": " << Brief(nodes);
        EXPECT_EQ(e.connections.size(), accel.connections.size());
        // The names: kept, or changed by the exporter as its rule says; a
        // changed name stands in the file as the decoder gave it.
        for (const auto& [nodes, name] : accel.connections) {
            const auto it = e.connections.find(nodes);
            if (it == e.connections.end() || it->second == name) continue;
            EXPECT_EQ(it->second, ExportedName(e.what->names, name));
            EXPECT_NE(e.bytes.find(it->second), std::string::npos) << it->second;
        }
    }
}

// tarvik-diff --connections-only finds no difference between any two exports
// but the renames the exporters made.
TEST(Corpus, AnyTwoExportsOfTheBoardDifferOnlyInTheExportersRenames) {
    const auto exports = DecodeBoardExports();
    if (exports.size() < 2) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR << " or no form of the exports";
    const auto& accel = exports[0].connections;
    const auto nameIn = [&](const DecodedExport& e, const std::set<std::string>& nodes) {
        const auto it = e.connections.find(nodes);
        return it == e.connections.end() ? std::string() : it->second;
    };
    for (std::size_t a = 0; a < exports.size(); ++a)
        for (std::size_t b = a + 1; b < exports.size(); ++b) {
            std::vector<std::string> expected;
            for (const auto& [nodes, name] : accel) {
                const std::string from = nameIn(exports[a], nodes), to = nameIn(exports[b], nodes);
                if (from != to) expected.push_back("net renamed \"" + from + "\" to \"" + to + "\"");
            }
            const RunResult r = RunProgram(TARVIK_DIFF_EXE, "--connections-only " + Quote(exports[a].path) + " " +
                                                                  Quote(exports[b].path));
            std::vector<std::string> reported;
            std::istringstream lines(r.out);
            for (std::string l; std::getline(lines, l);)
                if (!l.starts_with("warning: ")) reported.push_back(l);
            std::sort(expected.begin(), expected.end());
            std::sort(reported.begin(), reported.end());
            EXPECT_EQ(reported, expected) << exports[a].path << " " << exports[b].path;
            EXPECT_EQ(r.status, expected.empty() ? 0 : 1) << exports[a].path << " " << exports[b].path << ": " << r.err;
        }
}

// The parts lists (*.PRT) carry no connection: refused with one line, never
// a chain list, whichever form's signature they carry.
TEST(Corpus, PartsOnlyExportsAreRefused) {
    std::size_t refused = 0;
    for (const auto& file : CorpusFiles("forms")) {
        if (!file.ends_with(".PRT")) continue;
        const RunResult r = RunProgram(TARVIK_CONVERT_EXE, Quote(file));
        EXPECT_EQ(r.status, 1) << file;
        EXPECT_EQ(r.out, "") << file;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << file << ": " << r.err;
        ++refused;
    }
    if (refused == 0) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
}

}  // namespace
}  // namespace tarvik::test
