// tarvik-diff's command line.
#include "diff_args.h"

#include <string_view>
#include <vector>

namespace tarvik {

const char* const kDiffHelp =
    "usage: tarvik-diff [--format text|json] [-v] OLD NEW\n"
    "Says what changed in the connections between two net lists. OLD and NEW are\n"
    "each an ACCEL ASCII, ORCAD or PCAD 4.5 net list (tried in that order, as Tarvik\n"
    "does) or a .cha chain list; - reads standard input. A net is its name and its\n"
    "set of nodes: the order of nets and nodes and repeated nodes do not matter.\n"
    "\n"
    "Nets are paired by name; nets left over on both sides with the same nodes are\n"
    "paired as renamed. A net that is renamed and also changed in its nodes is\n"
    "reported as removed and added (and its nodes as moved to the new name). The\n"
    "report has one change per line, in this order, each part sorted byte by byte\n"
    "by net name, then node:\n"
    "  warning: old|new: net \"N\" stands K times, compared as one net\n"
    "  warning: old|new: node U1:3 stands in K nets: \"A\", \"B\"\n"
    "  net removed \"N\" = U1:1, U2:4;\n"
    "  net added \"N\" = U1:1, U2:4;\n"
    "  net renamed \"OLD\" to \"NEW\"\n"
    "  node removed U1:3 from \"N\"      node added U1:3 to \"N\"\n"
    "  node moved U1:3 from \"A\" to \"B\"\n"
    "It is written in the locale's encoding (UTF-8 unless the locale is Windows-1251),\n"
    "to a terminal, a pipe or a file alike.\n"
    "\n"
    "  --format json  the same report as one JSON document (UTF-8)\n"
    "  --encoding utf-8|cp1251  the text report's encoding, whatever the locale\n"
    "  -v             forms, net counts, times and memory on standard error\n"
    "  --form NAME    read both net lists as the form NAME, without recognition\n"
    "                 (a .cha file stays a chain list)\n"
    "  --list-forms   the names of the forms, one a line, in order of recognition\n"
    "  --connections-only  leave out, on both sides, the nets of fewer than two\n"
    "                 distinct nodes, which some forms list and others omit\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0 the same connectivity, 1 differences, 2 trouble (a file that\n"
    "cannot be read or whose form is not recognised).\n";

std::string ParseDiffArgs(int argc, const char* const argv[], DiffOptions& options) {
    std::vector<std::string> files;
    bool optionsEnd = false;
    for (int k = 1; k < argc; ++k) {
        const std::string_view a = argv[k];
        if (optionsEnd || a == "-" || a.empty() || a[0] != '-') {
            files.emplace_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "-h" || a == "--help") {
            options.help = true;
            return {};
        } else if (a == "--version") {
            options.version = true;
            return {};
        } else if (a == "--encoding" || a.starts_with("--encoding=")) {
            std::string_view encoding;
            if (a == "--encoding") {
                if (k + 1 == argc) return "--encoding needs a value: utf-8 or cp1251";
                encoding = argv[++k];
            } else {
                encoding = a.substr(11);
            }
            if (encoding == "utf-8" || encoding == "utf8" || encoding == "UTF-8")
                options.encoding = DiffOptions::Encoding::Utf8;
            else if (encoding == "cp1251" || encoding == "windows-1251")
                options.encoding = DiffOptions::Encoding::Cp1251;
            else
                return "unknown encoding '" + std::string(encoding) + "': utf-8 or cp1251";
        } else if (a == "-v" || a == "--verbose") {
            options.verbose = true;
        } else if (a == "--list-forms") {
            options.listForms = true;
            return {};
        } else if (a == "--connections-only") {
            options.connectionsOnly = true;
        } else if (a == "--form" || a.starts_with("--form=")) {
            if (a == "--form") {
                if (k + 1 == argc) return "--form needs a form's name (--list-forms lists them)";
                options.form = argv[++k];
            } else {
                options.form = a.substr(7);
            }
        } else if (a == "--format" || a.starts_with("--format=")) {
            std::string_view format;
            if (a == "--format") {
                if (k + 1 == argc) return "--format needs a value: text or json";
                format = argv[++k];
            } else {
                format = a.substr(9);
            }
            if (format == "json") options.json = true;
            else if (format == "text") options.json = false;
            else return "unknown format '" + std::string(format) + "': text or json";
        } else {
            return "unknown option '" + std::string(a) + "'";
        }
    }
    if (files.size() != 2)
        return files.size() < 2 ? "two files to compare are needed: OLD NEW" : "more than two files given";
    if (files[0] == "-" && files[1] == "-") return "standard input (-) can be only one of the two files";
    options.oldPath = files[0];
    options.newPath = files[1];
    return {};
}

}  // namespace tarvik
