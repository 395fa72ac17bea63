// Steps shared by the decoders of the forms with a signature: lines of the
// file, the chain lines of nets, nets gathered from part-by-part listings,
// and UTF-8 names spelled in Windows-1251.
//
// Protocol: a decoder makes a LineReader (which rewinds the file) and a
// NetWriter (which starts the chain list), reads the file line by line and
// writes each net with BeginNet, Node..., EndNet. A form that lists the pins
// part by part gathers them in a NetCollector and writes them at the end.
// A file that breaks off or breaks the grammar ends the decode with FailForm
// (decoders.h): the caller discards what was written.
#ifndef TARVIK_FORM_SUPPORT_H
#define TARVIK_FORM_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "buffer.h"

namespace tarvik {

// The file's lines, each without its LF (and without a CR before the LF).
// Progress is reported as the file is read, so a decode can be stopped.
class LineReader {
public:
    explicit LineReader(int file);  // rewinds the file
    // The next line; false at the end of the file. The view stays valid
    // until the next call.
    bool Next(std::string_view& line);
    // The number of the line last returned, from 1.
    long long Number() const { return number_; }
    // The file's size in bytes; 0 when it has none (a pipe).
    std::uint64_t FileBytes() const;

private:
    int file_;
    long long number_ = 0;
    long long sinceProgress_ = 0;
    ByteBuf joined_{4096};  // a line that crosses the window's end
};

// Writes the chain lines: "#N "NAME" = REF:PIN, REF:PIN;". With utf8 set the
// names and nodes are UTF-8 and are spelled in Windows-1251 (AppendUtf8As1251).
// Zero bytes are dropped.
class NetWriter {
public:
    NetWriter(int panel, int control, bool utf8 = false);  // starts the chain list
    void BeginNet(std::string_view name);
    void Node(std::string_view ref, std::string_view pin);
    void EndNet();
    // Chain lines written.
    std::int64_t Nets() const;

private:
    void AppendText(std::string_view text);
    bool utf8_;
    std::string scratch_;
};

// Memory for the collector's large arrays: a block of 4 MiB or more is
// mapped on its own and marked for transparent huge pages, so that filling
// it takes a page fault per 2 MiB instead of per 4 KiB and its random reads
// miss the TLB less; smaller blocks come from operator new.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block, std::size_t bytes);

template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { FreeLarge(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const { return true; }
};

using LargeBytes = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;
template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// Nets gathered pin by pin, in the order of their first mention; each net's
// nodes in the order they were added, a node added twice to one net kept once.
// Each mention is appended to one arena of bytes as it comes; the mentions
// are grouped by net only when the nets are asked for, by sorting their
// hashes, so that gathering a large list touches memory in order instead of
// looking every pin's net up in a table scattered over memory.
class NetCollector {
public:
    // Adds the node ref:pin to the net, which is made at its first mention.
    void Add(std::string_view net, std::string_view ref, std::string_view pin);
    // Makes room for the mentions of a file of about fileBytes bytes, so
    // that gathering a large list does not copy its arena as it grows.
    void Reserve(std::uint64_t fileBytes);
    // Makes the net (without a node) when it is not there yet.
    void Declare(std::string_view net);
    // The number of nets.
    std::size_t Size() const;
    // Writes every net as a chain line.
    void WriteTo(NetWriter& out) const;

private:
    // A mention: the hash of its net's name and where its record begins in
    // arena_ (records lie in the order of the mentions).
    struct Mention {
        std::uint64_t hash;
        std::size_t at;
    };
    // A net: the records of its mentions are grouped_[begin, end), in the
    // order of the mentions.
    struct Net {
        std::size_t first;  // arena_ offset of its first mention
        std::size_t begin, end;
        std::size_t records;  // mentions of the net
    };
    void Append(std::string_view net, std::string_view ref, std::string_view pin, bool node);
    void Group() const;

    LargeBytes arena_;  // per mention: net, ref and pin lengths (a byte each, or 4 when long), then their bytes
    mutable LargeVector<Mention> mentions_;  // sorted by hash when grouped
    mutable LargeBytes grouped_;    // the records again, net by net
    mutable LargeVector<Net> nets_;  // in the order of their first mention
    mutable bool isGrouped_ = true;
};

// A hash of bytes for the decoders' tables.
std::uint64_t HashBytes(std::string_view bytes, std::uint64_t seed = 0);

// Appends UTF-8 text spelled in Windows-1251: characters Windows-1251 has
// become their byte; any other character is written <U+XXXX> (4 to 6
// uppercase hex digits), a byte that is not part of valid UTF-8 <0xNN>, and
// a "<" that would begin either spelling is itself written <U+003C>, so
// different texts never come out equal.
void AppendUtf8As1251(std::string& out, std::string_view utf8);

// Whether text holds a control byte (below blank) other than tab, CR and
// the bytes of allowed: binary data in a form of text lines.
bool HasControlByte(std::string_view text, std::string_view allowed = {});

// Splits off the next run of bytes above blank (space, tab, CR) from text;
// an empty view when none is left. text keeps what follows the word.
std::string_view NextWord(std::string_view& text);
// text without blanks (space, tab, CR) at either end.
std::string_view Trim(std::string_view text);

}  // namespace tarvik

#endif
