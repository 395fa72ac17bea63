// What every command-line tool of the project does alike: --version prints
// the program's name and the project's version, and a wrong argument gets
// one line on standard error that says what is wrong and points to --help.
#ifndef TARVIK_CLI_H
#define TARVIK_CLI_H

#include <cstdio>
#include <string>
#include <string_view>

#ifndef TARVIK_VERSION
#error "TARVIK_VERSION is defined by the top-level CMakeLists.txt"
#endif

namespace cli {

inline constexpr const char* kVersion = TARVIK_VERSION;

// "PROGRAM VERSION" on standard output; returns 0, the exit code.
inline int PrintVersion(const char* program) {
    std::printf("%s %s\n", program, kVersion);
    return 0;
}

// "PROGRAM: WHAT (PROGRAM --help tells more)" on standard error; returns code.
inline int UsageError(const char* program, std::string_view what, int code) {
    std::fprintf(stderr, "%s: %.*s (%s --help tells more)\n", program, static_cast<int>(what.size()), what.data(),
                 program);
    return code;
}

inline std::string UnknownOption(std::string_view arg) { return "unknown option '" + std::string(arg) + "'"; }
inline std::string SurplusArgument(std::string_view arg) { return "surplus argument '" + std::string(arg) + "'"; }

}  // namespace cli

#endif
