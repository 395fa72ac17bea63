// tarvik-diff's command line: two files and the options, or a message why not.
#ifndef TARVIK_DIFF_ARGS_H
#define TARVIK_DIFF_ARGS_H

#include <string>

namespace tarvik {

struct DiffOptions {
    std::string oldPath, newPath;  // "-" is standard input
    bool json = false;             // --format json
    bool verbose = false;          // -v: forms, net counts, times on standard error
    bool help = false;             // -h or --help: nothing else is read
    bool listForms = false;        // --list-forms: nothing else is read
    std::string form;              // --form NAME: both net lists read as that form ("" recognises)
    bool connectionsOnly = false;  // --connections-only: nets of fewer than two distinct nodes left out
    bool version = false;          // --version: nothing else is read
    // The text report's encoding: the locale's (UTF-8 unless the locale is
    // Windows-1251), or as --encoding utf-8|cp1251 says.
    enum class Encoding { Locale, Utf8, Cp1251 } encoding = Encoding::Locale;
};

// The text of --help.
extern const char* const kDiffHelp;

// Reads argv[1..argc-1]: options (--format text|json, --format=...,
// --encoding utf-8|cp1251, --encoding=..., -v, -h/--help, --version,
// --list-forms, --form NAME, --form=NAME, --connections-only) anywhere before
// "--", and exactly two files, of which at most one is "-". The form's name is
// taken as written; the program looks it up. Returns the empty string, or a
// one-line message that says what is wrong.
std::string ParseDiffArgs(int argc, const char* const argv[], DiffOptions& options);

}  // namespace tarvik

#endif
