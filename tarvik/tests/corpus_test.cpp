// Tests over the real net lists of the shared corpus, read in place (skipped
// when the folder is absent): the form recognised, and the chain lines checked
// against an independent reading of each file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decoders.h"
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

}  // namespace
}  // namespace tarvik::test
