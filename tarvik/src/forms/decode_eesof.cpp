// EEsof circuit-file decoder.
//
// Accepted input: a first line beginning "! EEsof", then sections, each
// begun by a line holding only its keyword (DIM, VAR, EQN, CKT, TERM, ...).
// Lines beginning with "!" are comments, blank lines are skipped, and a line
// ending in "&" is continued by the next line. The circuit section (CKT)
// holds one statement per part: the element, "VALUE_REF" (the value may
// hold blanks or be empty; the reference is what follows the element's last
// "_", the whole element when it has none), then the part's nodes as
// numbers, one per pin in the order of the pins 1, 2, 3, ...; the lines that
// continue the statement carry the part's attributes and are not read. A
// node number is a net, and its name in the chain list: nets are written in
// the order their number first appears, each node once. The next section
// keyword (a line of one word of capital letters A to Z) ends the circuit.
//
//     ! EEsof For Windows File
//     CKT
//     0,1uF_C1 573 501  &
//     Value=0,1uF
//     LM358_DA1 501 573 12  &
//     Footprint=SO8
//     TERM
//
// gives  #1 "573" = C1:1, DA1:2;  #2 "501" = C1:2, DA1:1;  and  #3 "12" = DA1:3;
//
// The exporter numbers nets sheet by sheet: a net that crosses sheets has a
// number on each, and the file does not say they are one, so Tarvik lists
// them as the file has them. A broken or cut file ends the decode with an
// error naming the line: no CKT section, a file that ends inside the circuit
// section or inside a continued statement, a statement without node
// numbers, a control byte.
//
// Recognition: the file's first line begins with "! EEsof".
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kHeader = "! EEsof";

bool Signature(const char* head, std::size_t size) {
    return std::string_view(head, size).substr(0, kHeader.size()) == kHeader;
}

bool SectionKeyword(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}
bool Number(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The circuit's nets, gathered part by part. A node is 12 bytes: its net,
// its part and its pin; names and references are kept once each. Net names
// that are plain decimal numbers below kDirectNumbers are found by their
// value, others through a hash table.
class CircuitNets {
public:
    // The part whose reference is ref, made at its first mention.
    std::uint32_t Part(std::string_view ref) {
        const auto [at, added] = partIds_.try_emplace(std::string(ref), static_cast<std::uint32_t>(refs_.size()));
        if (added) {
            refs_.emplace_back(ref);
            pins_.push_back(0);
        } else {
            repeated_ = true;
        }
        return at->second;
    }
    void Add(std::string_view net, std::uint32_t part, std::uint32_t pin, long long line) {
        if (nodes_.size() >= kMaxNodes) FailForm(line, "слишком много узлов"_cp1251);
        nodes_.push_back({Net(net), part, pin});
        pins_[part] = std::max(pins_[part], pin);
    }
    // Every net as a chain line, in the order of first mention; a node met
    // twice in one net (a part given twice) is written once.
    void WriteTo(NetWriter& out) const {
        const std::size_t nets = names_.size();
        std::vector<std::uint32_t> start(nets + 1, 0);  // each net's first node in sorted
        for (const Node& n : nodes_) ++start[n.net + 1];
        for (std::size_t k = 0; k < nets; ++k) start[k + 1] += start[k];
        std::vector<Node> sorted(nodes_.size());  // the nodes net by net, each net's in their order
        {
            std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
            for (const Node& n : nodes_) sorted[fill[n.net]++] = n;
        }
        // Only when a part was given twice: one slot per pin of every part,
        // stamped with the net that wrote it.
        std::vector<std::size_t> base(repeated_ ? refs_.size() : 0);
        std::size_t slots = 0;
        for (std::size_t p = 0; p < base.size(); ++p) base[p] = slots, slots += pins_[p];
        std::vector<std::uint32_t> stamp(slots, 0);
        char pin[16];
        for (std::uint32_t net = 0; net < nets; ++net) {
            out.BeginNet(names_[net]);
            for (std::uint32_t k = start[net]; k < start[net + 1]; ++k) {
                const Node& n = sorted[k];
                if (repeated_) {
                    std::uint32_t& s = stamp[base[n.part] + n.pin - 1];
                    if (s == net + 1) continue;
                    s = net + 1;
                }
                const auto end = std::to_chars(pin, pin + sizeof pin, n.pin).ptr;
                out.Node(refs_[n.part], std::string_view(pin, static_cast<std::size_t>(end - pin)));
            }
            out.EndNet();
        }
    }

private:
    static constexpr std::size_t kDirectNumbers = 1 << 24;
    static constexpr std::size_t kMaxNodes = 0xFFFFFFF0u;
    struct Node {
        std::uint32_t net, part, pin;
    };
    std::uint32_t Net(std::string_view name) {
        if (name.size() <= 7 && (name[0] != '0' || name.size() == 1)) {
            std::size_t value = 0;
            for (const char c : name) value = value * 10 + static_cast<std::size_t>(c - '0');
            if (value < kDirectNumbers) {
                if (value >= byNumber_.size()) byNumber_.resize(std::max(value + 1, 2 * byNumber_.size()), 0);
                if (byNumber_[value] == 0) byNumber_[value] = NewNet(name) + 1;
                return byNumber_[value] - 1;
            }
        }
        const auto [at, added] = netIds_.try_emplace(std::string(name), 0);
        if (added) at->second = NewNet(name);
        return at->second;
    }
    std::uint32_t NewNet(std::string_view name) {
        names_.emplace_back(name);
        return static_cast<std::uint32_t>(names_.size() - 1);
    }
    std::vector<Node> nodes_;
    std::vector<std::string> names_;          // by net id
    std::vector<std::string> refs_;           // by part id
    std::vector<std::uint32_t> pins_;         // by part id: its highest pin
    std::vector<std::uint32_t> byNumber_;     // by a plain number's value: its net id + 1, or 0
    std::unordered_map<std::string, std::uint32_t> netIds_, partIds_;
    bool repeated_ = false;  // a reference named two parts' statements
};

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    CircuitNets nets;
    std::string_view line;
    if (!in.Next(line) || line.substr(0, kHeader.size()) != kHeader) FailForm(in.Number(), "нет заголовка ! EEsof"_cp1251);
    enum { Before, Circuit, After } state = Before;
    bool continued = false;  // the line before ended in "&"
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        std::string_view text = Trim(line);
        const bool wasContinued = continued;
        continued = !text.empty() && text.back() == '&';
        if (wasContinued || text.empty() || text.front() == '!') continue;
        if (state != Circuit) {
            if (text == "CKT") {
                if (state == After) FailForm(in.Number(), "второй раздел CKT"_cp1251);
                state = Circuit;
            }
            continue;
        }
        if (SectionKeyword(text)) {
            state = After;
            continue;
        }
        if (continued) text = Trim(text.substr(0, text.size() - 1));
        // The node numbers are the words at the statement's end.
        std::string_view nodes = text;
        std::size_t count = 0;
        for (;;) {
            const std::size_t gap = nodes.find_last_of(" \t");
            if (gap == std::string_view::npos || !Number(nodes.substr(gap + 1))) break;
            nodes = Trim(nodes.substr(0, gap));
            ++count;
        }
        if (count == 0) FailForm(in.Number(), "нет номеров узлов"_cp1251);
        const std::string_view element = nodes;
        const std::size_t underscore = element.rfind('_');
        const std::string_view ref = underscore == std::string_view::npos ? element : element.substr(underscore + 1);
        const std::uint32_t part = nets.Part(ref);
        std::string_view rest = text.substr(element.size());
        for (std::uint32_t pin = 1; pin <= count; ++pin) nets.Add(NextWord(rest), part, pin, in.Number());
    }
    if (continued) FailForm(in.Number(), "файл оборван внутри строки с &"_cp1251);
    if (state == Before) FailForm(in.Number(), "нет раздела CKT"_cp1251);
    if (state == Circuit) FailForm(in.Number(), "файл оборван в разделе CKT"_cp1251);
    nets.WriteTo(out);
    return kDecoded;
}

}  // namespace

extern const NetListForm kEEsofForm{"EEsof", "Импорт списка связей EEsof"_cp1251, Signature, Decode};

}  // namespace tarvik
