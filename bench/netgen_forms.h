// Boards written as net lists in every form Tarvik reads, laid out as the
// design tools that export each form lay them out (headers, fixed columns,
// line wrapping, part sections made from the board's nodes). Used by
// tarvik_netgen for the benchmarks and by the round-trip tests.
//
// A board's names are Windows-1251 bytes. Forms defined as UTF-8 (KiCad) are
// written in UTF-8, where a name's "<U+XXXX>" stands for that character, so
// that the chain list read back spells it the same way.
#ifndef TARVIK_NETGEN_FORMS_H
#define TARVIK_NETGEN_FORMS_H

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik::netgen {

struct Node {
    std::string ref, pin;
};
struct Net {
    std::string name;
    std::vector<Node> nodes;
};
using Board = std::vector<Net>;

// How the nets of a file come back from a decoder.
enum class Order {
    File,     // as the file lists them: the board's own order
    Parts,    // gathered from part-by-part listings: in order of first mention
    Numbers,  // as Parts, and the form carries no names, only node numbers
};

// What the names of a form may hold beyond letters, digits, Cyrillic and
// "_+,.-/" inside a name.
enum Carries : unsigned {
    kBlanks = 1,      // blanks and brackets (the form quotes its names)
    kEscapes = 2,     // double quotes and backslashes
    kUtf8 = 4,        // UTF-8 text; "<U+XXXX>" in a name is written as the character
    kOnePin = 8,      // nets of one node
    kUnconnected = 16,  // pins on no net, listed with the part
};

struct Form {
    const char* name;  // as the decoder's NetListForm::Name
    Order order;
    unsigned carries;
    std::size_t maxName;  // longest name written in full (0: any)
    const char* readBy = nullptr;  // the form whose decoder reads it, when that has another name
};

const std::vector<Form>& Forms();
// The form named (letters in any case; blanks, '-' and '_' ignored), or null.
const Form* FindForm(const std::string& name);

// A board of parts whose pins are "1".."n", every pin on one net of 1 (where
// the form has them) or 2 to 9 nodes; parts numbered from firstPart. With
// awkward, net names use all the form carries (quotes, blanks, Cyrillic, long
// names, unconnected pins); otherwise "NET_k".
Board MakeBoard(const Form& form, std::uint32_t seed, int firstPart, int parts, bool awkward);

// Writes the whole board in the form.
std::string Write(const Form& form, const Board& board);

// A file written block by block: Begin, Parts of every block, Middle, Nets of
// every block, End give the same bytes as Write of all blocks joined.
void Begin(const Form& form, std::string& out);
void Parts(const Form& form, const Board& block, std::string& out);
void Middle(const Form& form, std::string& out);
void Nets(const Form& form, const Board& block, std::string& out);
void End(const Form& form, std::string& out);

// The board as a decoder of the form gives it: nets in the file's order or
// gathered part by part (Order), EEsof's nets named by their node numbers.
Board AsRead(const Form& form, const Board& board);
// Chain lines "#k "NAME" = REF:PIN, ...;" of a board.
std::vector<std::string> ChainLines(const Board& board);

}  // namespace tarvik::netgen

#endif
