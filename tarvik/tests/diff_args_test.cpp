// Table tests of tarvik-diff's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diff_args.h"

namespace tarvik::test {
namespace {

struct ArgsCase {
    const char* name;
    std::vector<const char*> args;  // without the program name
    std::string error;              // "" when the command line is fine
    DiffOptions options;            // what it gives when fine
};
void PrintTo(const ArgsCase& c, std::ostream* os) { *os << c.name; }

DiffOptions Options(const char* oldPath, const char* newPath, bool json = false, bool verbose = false) {
    DiffOptions o;
    o.oldPath = oldPath;
    o.newPath = newPath;
    o.json = json;
    o.verbose = verbose;
    return o;
}

DiffOptions Help() {
    DiffOptions o;
    o.help = true;
    return o;
}

DiffOptions Version() {
    DiffOptions o;
    o.version = true;
    return o;
}

DiffOptions Encoded(DiffOptions::Encoding encoding) {
    DiffOptions o = Options("a", "b");
    o.encoding = encoding;
    return o;
}

DiffOptions ListForms() {
    DiffOptions o;
    o.listForms = true;
    return o;
}

DiffOptions WithForm(DiffOptions o, const char* form, bool connectionsOnly = false) {
    o.form = form;
    o.connectionsOnly = connectionsOnly;
    return o;
}

class DiffArgs : public testing::TestWithParam<ArgsCase> {};

TEST_P(DiffArgs, ReadsTheCommandLine) {
    const ArgsCase& c = GetParam();
    std::vector<const char*> argv{"tarvik-diff"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    DiffOptions o;
    EXPECT_EQ(ParseDiffArgs(static_cast<int>(argv.size()), argv.data(), o), c.error);
    if (!c.error.empty()) return;
    EXPECT_EQ(o.oldPath, c.options.oldPath);
    EXPECT_EQ(o.newPath, c.options.newPath);
    EXPECT_EQ(o.json, c.options.json);
    EXPECT_EQ(o.verbose, c.options.verbose);
    EXPECT_EQ(o.help, c.options.help);
    EXPECT_EQ(o.listForms, c.options.listForms);
    EXPECT_EQ(o.form, c.options.form);
    EXPECT_EQ(o.connectionsOnly, c.options.connectionsOnly);
    EXPECT_EQ(o.version, c.options.version);
    EXPECT_EQ(o.encoding, c.options.encoding);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, DiffArgs,
    testing::Values(
        ArgsCase{"TwoFiles", {"a.net", "b.net"}, "", Options("a.net", "b.net")},
        ArgsCase{"FormatJson", {"--format", "json", "a.net", "b.net"}, "", Options("a.net", "b.net", true)},
        ArgsCase{"FormatJsonWithEquals", {"a.net", "--format=json", "b.net"}, "", Options("a.net", "b.net", true)},
        ArgsCase{"FormatTextAfterJson", {"--format=json", "--format", "text", "a", "b"}, "", Options("a", "b")},
        ArgsCase{"Verbose", {"-v", "a", "b"}, "", Options("a", "b", false, true)},
        ArgsCase{"OptionsAfterTheFiles", {"a", "b", "-v", "--format", "json"}, "", Options("a", "b", true, true)},
        ArgsCase{"StandardInput", {"-", "b.cha"}, "", Options("-", "b.cha")},
        ArgsCase{"DashDashEndsOptions", {"--", "-v", "--format"}, "", Options("-v", "--format")},
        ArgsCase{"Help", {"a", "--help", "--bogus"}, "", Help()},
        ArgsCase{"ShortHelp", {"-h"}, "", Help()},
        ArgsCase{"ListForms", {"a", "--list-forms", "--bogus"}, "", ListForms()},
        ArgsCase{"Form", {"--form", "protel 2", "a", "b"}, "", WithForm(Options("a", "b"), "protel 2")},
        ArgsCase{"FormWithEquals", {"a", "b", "--form=KiCad"}, "", WithForm(Options("a", "b"), "KiCad")},
        ArgsCase{"FormIsNotFormat", {"--form", "json", "--format", "json", "a", "b"}, "", WithForm(Options("a", "b", true), "json")},
        ArgsCase{"ConnectionsOnly", {"--connections-only", "a", "b"}, "", WithForm(Options("a", "b"), "", true)},
        ArgsCase{"FormWithoutName", {"a", "b", "--form"}, "--form needs a form's name (--list-forms lists them)", {}},
        ArgsCase{"Version", {"a", "--version", "--bogus"}, "", Version()},
        ArgsCase{"EncodingCp1251", {"--encoding", "cp1251", "a", "b"}, "", Encoded(DiffOptions::Encoding::Cp1251)},
        ArgsCase{"EncodingUtf8WithEquals", {"a", "b", "--encoding=utf-8"}, "", Encoded(DiffOptions::Encoding::Utf8)},
        ArgsCase{"UnknownEncoding", {"--encoding", "koi8-r", "a", "b"}, "unknown encoding 'koi8-r': utf-8 or cp1251", {}},
        ArgsCase{"EncodingWithoutValue", {"a", "b", "--encoding"}, "--encoding needs a value: utf-8 or cp1251", {}},
        ArgsCase{"NoFiles", {}, "two files to compare are needed: OLD NEW", {}},
        ArgsCase{"OneFile", {"a.net"}, "two files to compare are needed: OLD NEW", {}},
        ArgsCase{"ThreeFiles", {"a", "b", "c"}, "more than two files given", {}},
        ArgsCase{"UnknownFormat", {"--format", "xml", "a", "b"}, "unknown format 'xml': text or json", {}},
        ArgsCase{"FormatWithoutValue", {"a", "b", "--format"}, "--format needs a value: text or json", {}},
        ArgsCase{"UnknownOption", {"-x", "a", "b"}, "unknown option '-x'", {}},
        ArgsCase{"StandardInputTwice", {"-", "-"}, "standard input (-) can be only one of the two files", {}}),
    [](const testing::TestParamInfo<ArgsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvik::test
