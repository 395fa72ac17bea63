// Lines, chain lines, gathered nets and UTF-8 names for the decoders.
#include "form_support.h"

#include <cstring>

#include "cp1251.h"

#include "chain.h"
#include "reader.h"

namespace tarvik {

// ---- LineReader -------------------------------------------------------------

namespace {
// Bytes read between two progress reports.
constexpr long long kProgressStep = 1 << 16;
}  // namespace

LineReader::LineReader(int file) : file_(file) { InitReadF(file); }

bool LineReader::Next(std::string_view& line) {
    if (sinceProgress_ >= kProgressStep) {
        sinceProgress_ = 0;
        Progress();
    }
    std::size_t joined = 0;
    bool any = false;
    for (;;) {
        if (R.BufPos == R.BufLen) {
            R.BufPos = 0;
            R.BufLen = LoadWindow(file_, 0);
            if (R.BufLen == 0) {
                if (!any) return false;
                break;
            }
        }
        any = true;
        const char* from = R.FileBuf + R.BufPos;
        const std::size_t avail = static_cast<std::size_t>(R.BufLen - R.BufPos);
        const char* lf = static_cast<const char*>(std::memchr(from, '\n', avail));
        const std::size_t take = lf ? static_cast<std::size_t>(lf - from) : avail;
        R.BufPos += static_cast<int>(take + (lf ? 1 : 0));
        sinceProgress_ += static_cast<long long>(take + 1);
        if (lf && joined == 0) {
            line = std::string_view(from, take);
            ++number_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            return true;
        }
        joined_.reserve(joined + take + 1);
        std::memcpy(joined_.p + joined, from, take);
        joined += take;
        if (lf) break;
    }
    line = std::string_view(joined_.p, joined);
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// ---- NetWriter --------------------------------------------------------------

NetWriter::NetWriter(int panel, int control, bool utf8) : utf8_(utf8) { StartChains(panel, control); }

void NetWriter::BeginNet(std::string_view name) {
    StartName();
    if (utf8_) {
        scratch_.clear();
        AppendUtf8As1251(scratch_, name);
        name = scratch_;
    }
    for (const char c : name) PutNameByte(c);
    EndName();
    BeginChain();
}

void NetWriter::AppendText(std::string_view text) {
    if (utf8_) {
        scratch_.clear();
        AppendUtf8As1251(scratch_, text);
        text = scratch_;
    }
    if (std::memchr(text.data(), 0, text.size()) == nullptr) {
        AppendBytes(text.data(), text.size());
        return;
    }
    for (const char c : text) Append(c);
}

void NetWriter::Node(std::string_view ref, std::string_view pin) {
    AppendText(ref);
    Append(':');
    AppendText(pin);
    AppendSeparator();
}

void NetWriter::EndNet() { EndChainTrimmed(); }

std::int64_t NetWriter::Nets() const { return B.N; }

// ---- NetCollector -------------------------------------------------------------

std::size_t NetCollector::Find(std::string_view net) {
    const auto [at, added] = index_.try_emplace(std::string(net), nets_.size());
    if (added) nets_.push_back(Net{std::string(net), {}});
    return at->second;
}

void NetCollector::Declare(std::string_view net) { Find(net); }

void NetCollector::Add(std::string_view net, std::string_view ref, std::string_view pin) {
    const std::size_t at = Find(net);
    // One key per node of a net: the net's index, the ref's length, the ref
    // and the pin, so that no two nodes share a key.
    key_.assign(reinterpret_cast<const char*>(&at), sizeof at);
    const std::size_t refLen = ref.size();
    key_.append(reinterpret_cast<const char*>(&refLen), sizeof refLen);
    key_.append(ref);
    key_.append(pin);
    if (!seen_.insert(key_).second) return;
    nets_[at].nodes.emplace_back(std::string(ref), std::string(pin));
}

void NetCollector::WriteTo(NetWriter& out) const {
    for (const Net& n : nets_) {
        out.BeginNet(n.name);
        for (const auto& [ref, pin] : n.nodes) out.Node(ref, pin);
        out.EndNet();
    }
}

// ---- UTF-8 --------------------------------------------------------------------

namespace {

// The length of the valid UTF-8 sequence at text[k] and its code point in
// *cp, or 0 when the bytes there are no valid sequence.
std::size_t Utf8At(std::string_view text, std::size_t k, char32_t* cp) {
    const auto b0 = static_cast<unsigned char>(text[k]);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t c;
    char32_t least;
    if ((b0 & 0xE0) == 0xC0) len = 2, c = b0 & 0x1F, least = 0x80;
    else if ((b0 & 0xF0) == 0xE0) len = 3, c = b0 & 0x0F, least = 0x800;
    else if ((b0 & 0xF8) == 0xF0) len = 4, c = b0 & 0x07, least = 0x10000;
    else return 0;
    if (k + len > text.size()) return 0;
    for (std::size_t j = 1; j < len; ++j) {
        const auto b = static_cast<unsigned char>(text[k + j]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *cp = c;
    return len;
}

bool HexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Whether text at k (a "<") begins one of the spellings: <U+ 4 to 6 hex
// digits > or <0x 2 hex digits >.
bool SpellingAt(std::string_view text, std::size_t k) {
    const std::string_view rest = text.substr(k);
    if (rest.size() >= 8 && rest.substr(0, 3) == "<U+") {
        std::size_t d = 3;
        while (d < rest.size() && d < 10 && HexDigit(rest[d])) ++d;
        return d >= 7 && d < rest.size() && rest[d] == '>';
    }
    return rest.size() >= 6 && rest.substr(0, 3) == "<0x" && HexDigit(rest[3]) && HexDigit(rest[4]) && rest[5] == '>';
}

void AppendHex(std::string& out, unsigned value, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int d = digits - 1; d >= 0; --d) out += kHex[(value >> (4 * d)) & 0xF];
}

}  // namespace

void AppendUtf8As1251(std::string& out, std::string_view utf8) {
    for (std::size_t k = 0; k < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = Utf8At(utf8, k, &cp);
        if (len == 0) {
            out += "<0x";
            AppendHex(out, static_cast<unsigned char>(utf8[k]), 2);
            out += '>';
            ++k;
            continue;
        }
        const int b = cp == '<' && SpellingAt(utf8, k) ? -1 : cp == 0x98 ? -1 : cp1251::from_unicode(cp);
        if (b >= 0) {
            out += static_cast<char>(b);
        } else {
            out += "<U+";
            AppendHex(out, static_cast<unsigned>(cp), cp > 0xFFFFF ? 6 : cp > 0xFFFF ? 5 : 4);
            out += '>';
        }
        k += len;
    }
}

// ---- Control bytes --------------------------------------------------------------

bool HasControlByte(std::string_view text, std::string_view allowed) {
    std::uint32_t allow = (std::uint32_t{1} << '\t') | (std::uint32_t{1} << '\r');
    for (const char c : allowed)
        if (static_cast<unsigned char>(c) < 0x20) allow |= std::uint32_t{1} << static_cast<unsigned char>(c);
    const auto bad = [allow](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && (allow >> b & 1) == 0;
    };
    // Eight bytes at a time: (w - 0x20 in each byte) & ~w has a byte's top
    // bit set only where some byte is below 0x20; such words are looked at
    // byte by byte.
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
    std::size_t k = 0;
    for (; k + 8 <= text.size(); k += 8) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + k, 8);
        if (((w - kOnes * 0x20) & ~w & kHigh) == 0) continue;
        for (std::size_t j = k; j < k + 8; ++j)
            if (bad(text[j])) return true;
    }
    for (; k < text.size(); ++k)
        if (bad(text[k])) return true;
    return false;
}

// ---- Words --------------------------------------------------------------------

namespace {
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

std::string_view NextWord(std::string_view& text) {
    std::size_t k = 0;
    while (k < text.size() && Blank(text[k])) ++k;
    std::size_t end = k;
    while (end < text.size() && !Blank(text[end])) ++end;
    const std::string_view word = text.substr(k, end - k);
    text.remove_prefix(end);
    return word;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace tarvik
