// Reads one side of a comparison into a chain list: a net list through the
// decoders, in the program's order of attempts, or a .cha chain list.
//
// A path ending in ".cha" (in any case) is read as a chain list. Any other
// file goes to the decoders (ACCEL ASCII, ORCAD, PCAD 4.5) through a headless
// text box, exactly as tarvik-convert decodes it, lines of failed attempts
// included; when none of them accepts it, it is read as a chain list if it is
// one (not empty, every line part of a chain line). "-" is standard input.
// Input that cannot be read twice (a pipe, FIFO or terminal) is first copied
// to a temporary file, so that every decoder attempt can start from its
// first byte.
#ifndef TARVIK_LIST_LOADER_H
#define TARVIK_LIST_LOADER_H

#include <cstddef>
#include <string_view>

#include "chain_reader.h"
#include "decoders.h"

namespace tarvik {

// Beside the NetListForm values: the file was a chain list.
inline constexpr int FormChainList = 1000;

// "ACCEL ASCII", "ORCAD", "PCAD 4.5" or "chain list".
const char* ListFormName(int form);

// True for a path that is read as a chain list only (it ends in ".cha").
bool IsChainListName(std::string_view path);

struct LoadResult {
    enum Status {
        Ok,
        CannotRead,    // error: the errno value, 0 when unknown
        Unrecognised,  // no decoder accepted it, and it is no chain list
        NotChainList,  // a .cha file with a line that is not part of a chain line: badLine
        OutOfMemory,
        TooLarge,      // the chain list passes the 2 GiB a text box holds
        Broken,        // a file of a form with a signature that breaks off or breaks its grammar (FormError)
    };
    Status status = Ok;
    int error = 0;
    std::size_t badLine = 0;
    int form = FormNone;       // the form recognised (or given), or FormChainList
    double decodeSeconds = 0;  // time spent in the decoders
    double decodeCpu = 0;      // processor time spent in them
};

// Reads path into list. Decoding uses the text box (panel, control) and the
// progress panel of the loaded panels (LoadPanels), and clears the text box
// afterwards; a path read as a chain list needs neither. With a form given
// (not FormNone) a net list is read as that form alone, without recognition
// and without the fallback to a chain list; a path ending in ".cha" is
// still a chain list.
LoadResult LoadList(const char* path, int panel, int control, ChainList& list, int form = FormNone);

}  // namespace tarvik

#endif
