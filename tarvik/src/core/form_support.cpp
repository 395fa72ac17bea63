// Lines, chain lines, gathered nets and UTF-8 names for the decoders.
#include "form_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/mman.h>

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

// The size the reader took when it started (file_ is the run-time's file
// handle, not a descriptor of the system's).
std::uint64_t LineReader::FileBytes() const { return static_cast<std::uint64_t>(R.FileSize); }

namespace {
// The first line feed of [from, from + size), or null. Most lines of net
// lists are short: the first sixteen bytes are looked at in place before
// memchr is called.
inline const char* FindLineFeed(const char* from, std::size_t size) {
#if defined(__SSE2__)
    if (size >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
        if (mask != 0) return from + __builtin_ctz(mask);
        return static_cast<const char*>(std::memchr(from + 16, '\n', size - 16));
    }
#endif
    return static_cast<const char*>(std::memchr(from, '\n', size));
}
}  // namespace

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
        const char* lf = FindLineFeed(from, avail);
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

namespace {
// Text that AppendUtf8As1251 would copy unchanged: ASCII without "<".
bool PlainAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '<') return false;
    return true;
}
}  // namespace

NetWriter::NetWriter(int panel, int control, bool utf8) : utf8_(utf8) { StartChains(panel, control); }

void NetWriter::BeginNet(std::string_view name) {
    StartName();
    if (utf8_ && !PlainAscii(name)) {
        scratch_.clear();
        AppendUtf8As1251(scratch_, name);
        name = scratch_;
    }
    if (std::memchr(name.data(), 0, name.size()) == nullptr) {
        PutNameBytes(name.data(), name.size());
    } else {
        for (const char c : name) PutNameByte(c);
    }
    EndName();
    BeginChain();
}

void NetWriter::AppendText(std::string_view text) {
    if (utf8_ && !PlainAscii(text)) {
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

namespace {

// True when one of the word's bytes is zero.
template <typename Word>
bool ZeroIn(Word v) {
    constexpr Word ones = static_cast<Word>(~Word{0}) / 0xFF;  // 0x0101...
    return ((v - ones) & ~v & (ones << 7)) != 0;
}

// Copies n bytes, sizeof(Word) <= n <= 2 * sizeof(Word), as two overlapping
// words; true when one of them held a zero byte.
template <typename Word>
bool CopyAsTwoWords(char* to, const char* from, std::size_t n) {
    Word a, b;
    std::memcpy(&a, from, sizeof a);
    std::memcpy(&b, from + n - sizeof b, sizeof b);
    std::memcpy(to, &a, sizeof a);
    std::memcpy(to + n - sizeof b, &b, sizeof b);
    return ZeroIn(a) || ZeroIn(b);
}

// Copies n bytes by fixed-size moves, which the compiler inlines (a call to
// memcpy costs more than the few bytes of a reference or pin), and looks
// for a zero byte in what it copied on the way. Returns false when there was
// one; the bytes are then written but of no account.
inline bool CopyPlain(char*& to, const char* from, std::size_t n) {
    bool zero = false;
    if (n >= 8 && n <= 16) {
        zero = CopyAsTwoWords<std::uint64_t>(to, from, n);
    } else if (n >= 4 && n < 8) {
        zero = CopyAsTwoWords<std::uint32_t>(to, from, n);
    } else if (n < 4) {
        for (std::size_t k = 0; k < n; ++k) {
            to[k] = from[k];
            zero |= from[k] == 0;
        }
    } else {
        std::memcpy(to, from, n);
        zero = std::memchr(from, 0, n) != nullptr;
    }
    to += n;
    return !zero;
}

}  // namespace

void NetWriter::Node(std::string_view ref, std::string_view pin) {
    // Most nodes are short and plain: ref, ":", pin and ", " in one copy.
    const std::size_t n = ref.size() + pin.size() + 3;
    if (!utf8_ && B.i + n + SpillBuf::kSlack <= B.OutStr.cap) {
        char* at = B.OutStr.p + B.i;
        if (CopyPlain(at, ref.data(), ref.size())) {
            *at++ = ':';
            if (CopyPlain(at, pin.data(), pin.size())) {
                at[0] = ',';
                at[1] = ' ';
                B.i += n;
                return;
            }
        }
    }
    AppendText(ref);
    Append(':');
    AppendText(pin);
    AppendSeparator();
}

void NetWriter::EndNet() { EndChainTrimmed(); }

std::int64_t NetWriter::Nets() const { return B.N; }

// ---- NetCollector -------------------------------------------------------------

namespace {
constexpr std::size_t kLargeBlock = std::size_t{4} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
std::size_t RoundToHugePages(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
}  // namespace

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kLargeBlock) return ::operator new(bytes);
    // Mapped a huge page longer, so that the block can start on a huge page.
    const std::size_t size = RoundToHugePages(bytes);
    void* map = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(map);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~static_cast<std::uintptr_t>(kHugePage - 1);
    if (aligned > start) ::munmap(map, aligned - start);
    const std::size_t tail = start + size + kHugePage - (aligned + size);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* block, std::size_t bytes) {
    if (bytes < kLargeBlock) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, RoundToHugePages(bytes));
}

std::uint64_t HashBytes(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t h = seed ^ (bytes.size() * 0x9E3779B97F4A7C15ull);
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    // A full avalanche at the end: tables use the low bits, and a product's
    // low bits depend on the input's low bytes only.
    h ^= w;
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

namespace {

// A record's header: three bytes, the lengths of net, ref and pin (kNoNode
// for the pin: no node), when all three are below kLong; else kLong and the
// three lengths as 4-byte words (kNoNode32: no node).
constexpr unsigned char kNoNode = 0xFE, kLong = 0xFD;
constexpr std::uint32_t kNoNode32 = 0xFFFFFFFF;
constexpr std::size_t kShortHeader = 3, kLongHeader = 13;

std::uint32_t U32At(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A mention's record read back, and its size in bytes.
struct Record {
    std::string_view net, ref, pin;
    bool node;
    std::size_t size;
};
// Records are written whole by Append, so the lengths need no checks here.
inline __attribute__((always_inline)) Record RecordAt(const LargeBytes& arena, std::size_t at) {
    const char* p = arena.data() + at;
    std::size_t netLen, refLen, pinLen, header;
    bool node;
    if (static_cast<unsigned char>(p[0]) != kLong) {
        netLen = static_cast<unsigned char>(p[0]);
        refLen = static_cast<unsigned char>(p[1]);
        node = static_cast<unsigned char>(p[2]) != kNoNode;
        pinLen = node ? static_cast<unsigned char>(p[2]) : 0;
        header = kShortHeader;
    } else {
        netLen = U32At(p + 1);
        refLen = U32At(p + 5);
        node = U32At(p + 9) != kNoNode32;
        pinLen = node ? U32At(p + 9) : 0;
        header = kLongHeader;
    }
    const char* bytes = p + header;
    return Record{std::string_view(bytes, netLen), std::string_view(bytes + netLen, refLen),
                  std::string_view(bytes + netLen + refLen, pinLen), node, header + netLen + refLen + pinLen};
}

// Sorts v stably by key(item) (bits wide), 11 bits a pass; tmp is scratch.
template <class T, class Key>
void RadixSort(LargeVector<T>& v, LargeVector<T>& tmp, int bits, Key key) {
    constexpr int kDigit = 11;
    tmp.resize(v.size());
    std::vector<std::size_t> count(std::size_t{1} << kDigit);
    for (int shift = 0; shift < bits; shift += kDigit) {
        std::fill(count.begin(), count.end(), 0);
        const std::uint64_t mask = (std::uint64_t{1} << kDigit) - 1;
        for (const T& x : v) ++count[(key(x) >> shift) & mask];
        std::size_t sum = 0;
        for (std::size_t& c : count) sum += std::exchange(c, sum);
        for (const T& x : v) tmp[count[(key(x) >> shift) & mask]++] = x;
        v.swap(tmp);
    }
}

// The nodes of one net being written, a node given twice kept once: open
// addressing over stamps, so that clearing it for the next net costs nothing.
class NodeSet {
public:
    void Clear(std::size_t expected) {
        if (++stamp_ == 0) std::fill(stamps_.begin(), stamps_.end(), 0), stamp_ = 1;
        std::size_t size = 16;
        while (size < 2 * expected) size *= 2;
        if (size > stamps_.size()) {
            stamps_.assign(size, 0);
            hashes_.assign(size, 0);
            records_.assign(size, 0);
            stamp_ = 1;
        }
        // Only the first `size` slots are used for this net: a small net
        // after a large one stays within a few cache lines.
        mask_ = size - 1;
    }
    // Whether the node of the record at `at` is new to the net.
    bool Insert(const LargeBytes& arena, std::size_t at, const Record& r) {
        const std::uint64_t hash = HashBytes(r.pin, HashBytes(r.ref));
        for (std::size_t k = hash & mask_;; k = (k + 1) & mask_) {
            if (stamps_[k] != stamp_) {
                stamps_[k] = stamp_;
                hashes_[k] = hash;
                records_[k] = at;
                return true;
            }
            if (hashes_[k] != hash) continue;
            const Record seen = RecordAt(arena, records_[k]);
            if (seen.ref == r.ref && seen.pin == r.pin) return false;
        }
    }

private:
    std::vector<std::uint32_t> stamps_;
    std::vector<std::uint64_t> hashes_;
    std::vector<std::size_t> records_;
    std::size_t mask_ = 0;
    std::uint32_t stamp_ = 0;
};

}  // namespace

void NetCollector::Append(std::string_view net, std::string_view ref, std::string_view pin, bool node) {
    mentions_.push_back(Mention{HashBytes(net), arena_.size()});
    if (net.size() < kLong && ref.size() < kLong && pin.size() < kLong) {
        const char header[kShortHeader] = {static_cast<char>(net.size()), static_cast<char>(ref.size()),
                                           static_cast<char>(node ? pin.size() : kNoNode)};
        arena_.append(header, kShortHeader);
    } else {
        const std::uint32_t lengths[3] = {static_cast<std::uint32_t>(net.size()), static_cast<std::uint32_t>(ref.size()),
                                          node ? static_cast<std::uint32_t>(pin.size()) : kNoNode32};
        arena_ += static_cast<char>(kLong);
        arena_.append(reinterpret_cast<const char*>(lengths), sizeof lengths);
    }
    arena_.append(net);
    arena_.append(ref);
    if (node) arena_.append(pin);
    isGrouped_ = false;
}

void NetCollector::Reserve(std::uint64_t fileBytes) {
    // A pin line of the part-by-part forms takes some 17 bytes and its
    // record some 20; room is only reserved (pages are touched as records
    // come), and no more than for 512 MiB of file.
    // The room is a hint: where the address space is bounded and it cannot
    // be had, the arrays grow as the records come instead.
    const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(fileBytes, std::uint64_t{1} << 29));
    try {
        arena_.reserve(2 * bytes);
        mentions_.reserve(bytes / 8);
    } catch (const std::bad_alloc&) {
    }
}

void NetCollector::Declare(std::string_view net) { Append(net, "", "", false); }

void NetCollector::Add(std::string_view net, std::string_view ref, std::string_view pin) { Append(net, ref, pin, true); }

// Sorts the mentions by their hash's low bits (stably, so each net's stay in
// the file's order), splits every run of equal low bits into its nets by
// name, copies the records net by net into grouped_ (so that writing reads
// memory in order), and orders the nets by their first mention.
void NetCollector::Group() const {
    if (isGrouped_) return;
    // Sorted in place: a stable sort keeps the mentions of one hash in the
    // file's order, also when more are appended and the list is sorted again.
    LargeVector<Mention>& order = mentions_;
    LargeVector<Mention> tmp;
    std::size_t bits = 11;
    while (bits < 44 && (std::size_t{1} << bits) < 2 * order.size()) bits += 11;
    RadixSort(order, tmp, static_cast<int>(bits), [](const Mention& m) { return m.hash; });
    const std::uint64_t lowMask = (std::uint64_t{1} << bits) - 1;
    nets_.clear();
    grouped_.clear();
    grouped_.reserve(arena_.size());
    const auto copy = [&](std::size_t at) {
        const Record r = RecordAt(arena_, at);
        grouped_.append(arena_, at, r.size);
    };
    std::vector<bool> taken;
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < kAhead && k < order.size(); ++k) __builtin_prefetch(arena_.data() + order[k].at);
    for (std::size_t begin = 0; begin < order.size();) {
        const Mention head = order[begin];
        const std::string_view name = RecordAt(arena_, head.at).net;
        const std::size_t from = grouped_.size();
        std::size_t end = begin;
        bool oneNet = true;
        for (; end < order.size() && (order[end].hash & lowMask) == (head.hash & lowMask); ++end) {
            // The records lie in the file's order, the mentions in the hashes': fetch ahead.
            if (end + kAhead < order.size()) __builtin_prefetch(arena_.data() + order[end + kAhead].at);
            if (!oneNet) continue;
            if (order[end].hash == head.hash && RecordAt(arena_, order[end].at).net == name) copy(order[end].at);
            else oneNet = false;
        }
        if (oneNet) {
            nets_.push_back(Net{head.at, from, grouped_.size(), end - begin});
        } else {
            // Several nets share the low bits: their records copied net by net.
            grouped_.resize(from);
            taken.assign(end - begin, false);
            for (std::size_t h = begin; h < end; ++h) {
                if (taken[h - begin]) continue;
                const std::string_view headName = RecordAt(arena_, order[h].at).net;
                const std::size_t netFrom = grouped_.size();
                std::size_t records = 0;
                for (std::size_t k = h; k < end; ++k) {
                    if (taken[k - begin] || order[k].hash != order[h].hash || RecordAt(arena_, order[k].at).net != headName)
                        continue;
                    taken[k - begin] = true;
                    copy(order[k].at);
                    ++records;
                }
                nets_.push_back(Net{order[h].at, netFrom, grouped_.size(), records});
            }
        }
        begin = end;
    }
    LargeVector<Net> netTmp;
    std::size_t atBits = 11;
    while (atBits < 64 && (std::uint64_t{1} << atBits) <= arena_.size()) atBits += 11;
    RadixSort(nets_, netTmp, static_cast<int>(atBits), [](const Net& n) { return static_cast<std::uint64_t>(n.first); });
    isGrouped_ = true;
}

std::size_t NetCollector::Size() const {
    Group();
    return nets_.size();
}

void NetCollector::WriteTo(NetWriter& out) const {
    Group();
    NodeSet seen;
    // A net of a few nodes finds a repeated node by comparing it with the
    // nodes written before it, without hashing.
    constexpr std::size_t kFew = 16;
    Record written[kFew];
    // The nets lie in grouped_ in the order of their hashes and are written
    // in the order of their first mention: fetch ahead.
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < kAhead && k < nets_.size(); ++k) __builtin_prefetch(grouped_.data() + nets_[k].begin);
    for (std::size_t n = 0; n < nets_.size(); ++n) {
        const Net& net = nets_[n];
        if (n + kAhead < nets_.size()) __builtin_prefetch(grouped_.data() + nets_[n + kAhead].begin);
        out.BeginNet(RecordAt(grouped_, net.begin).net);
        const bool few = net.records <= kFew;
        if (!few) seen.Clear(net.records);
        std::size_t count = 0;
        for (std::size_t at = net.begin; at < net.end;) {
            const Record r = RecordAt(grouped_, at);
            at += r.size;
            if (!r.node) continue;
            if (few) {
                bool repeated = false;
                for (std::size_t k = 0; k < count && !repeated; ++k)
                    repeated = written[k].pin == r.pin && written[k].ref == r.ref;
                if (repeated) continue;
                written[count++] = r;
            } else if (!seen.Insert(grouped_, at - r.size, r)) {
                continue;
            }
            out.Node(r.ref, r.pin);
        }
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
        while (d < rest.size() && d < 9 && HexDigit(rest[d])) ++d;
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
// Blank, tab and carriage return, looked up in one load.
constexpr auto kBlank = [] {
    std::array<bool, 256> table{};
    table[' '] = table['\t'] = table['\r'] = true;
    return table;
}();
bool Blank(char c) { return kBlank[static_cast<unsigned char>(c)]; }
}  // namespace

std::string_view NextWord(std::string_view& text) {
    std::size_t k = 0;
    const std::size_t size = text.size();
    const char* const p = text.data();
    while (k < size && Blank(p[k])) ++k;
    std::size_t end = k;
    bool ended = false;
#if defined(__SSE2__)
    // Sixteen bytes at a time while they lie inside the text: the word ends
    // at the first blank, tab or carriage return.
    const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), cr = _mm_set1_epi8('\r');
    while (!ended && end + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + end));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, tab)),
                                         _mm_cmpeq_epi8(v, cr));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0) {
            end += static_cast<std::size_t>(__builtin_ctz(mask));
            ended = true;
        } else {
            end += 16;
        }
    }
#endif
    while (!ended && end < size && !Blank(p[end])) ++end;
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
