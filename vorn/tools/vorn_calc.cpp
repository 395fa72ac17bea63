// vorn-calc: evaluates expressions from the command line or standard input
// through the public Vorn interface, converting between UTF-8 and Windows-1251.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "cp1251.h"
#include "vorn.h"

namespace {

constexpr const char* kUsage =
    "usage: vorn-calc [NAME=VALUE ...] [--] [EXPRESSION]\n"
    "Prints the value of EXPRESSION with the variables given; without an\n"
    "expression, evaluates one expression per line of standard input.\n"
    "Any argument that is neither an option nor NAME=VALUE is the expression\n"
    "(\"-x\" and \"-x+1\" too); an unknown --WORD is refused; -- ends the options.\n"
    "  -h, --help  this text\n"
    "  --version   the version\n"
    "Example: vorn-calc x=3 y=0.5 \"2*(x+1)^2-sin(y)\"\n";

struct Assignment {
    std::string name;  // Windows-1251
    double value;
};

// A NAME=VALUE argument: the name is a run of bytes that the expression
// language reads as a name (no operator, bracket, comma or blank) and does not
// begin with a digit, and "=" is not the start of "==".
bool LooksLikeAssignment(const char* arg) {
    const char* eq = std::strchr(arg, '=');
    if (eq == nullptr || eq == arg || eq[1] == '=') return false;
    if (*arg >= '0' && *arg <= '9') return false;
    for (const char* c = arg; c < eq; ++c)
        if (std::strchr("+-*/^<>&|(), \t", *c)) return false;
    return true;
}

// Reads an assignment; false (after a message) when the value is not a number.
bool ParseAssignment(const char* arg, Assignment& out) {
    const char* eq = std::strchr(arg, '=');
    const std::string_view name(arg, static_cast<std::size_t>(eq - arg));
    char* end = nullptr;
    const double value = std::strtod(eq + 1, &end);
    if (eq[1] == '\0' || *end != '\0' || std::isspace(static_cast<unsigned char>(eq[1]))) {
        std::cerr << "vorn-calc: the value of '" << name << "' is not a number: '" << (eq + 1) << "'\n";
        return false;
    }
    bool lossless = true;
    out.name = cp1251::from_utf8(name, '?', &lossless);
    out.value = value;
    if (!lossless) {
        std::cerr << "vorn-calc: the name '" << name << "' holds a character outside Windows-1251\n";
        return false;
    }
    return true;
}

// The shortest text that reads back as the same double; nan, inf and -inf
// for the values that are not numbers.
std::string Shortest(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Evaluates one UTF-8 expression; prints the value, or the library's
// message after `where` on standard error.
bool Calculate(ExpressionHandle handle, const std::string& utf8, const std::string& where) {
    bool lossless = true;
    const std::string text = cp1251::from_utf8(utf8, '?', &lossless);
    if (!lossless) {
        std::cerr << "vorn-calc: " << where << "the expression holds a character outside Windows-1251\n";
        return false;
    }
    std::vector<char> message(VORN_SETEXPR_MESSAGE_SIZE(text.size()), '\0');
    double value = 0.0;
    if (!Vorn_Setexpr(handle, text.c_str(), message.data()) ||
        !Vorn_Evaluate(handle, &value, message.data())) {
        std::cerr << where << cp1251::to_utf8(message.data()) << '\n';
        return false;
    }
    std::cout << Shortest(value) << '\n';
    return true;
}

int Run(int argc, char** argv) {
    std::vector<Assignment> assignments;
    const char* expression = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::cout << kUsage;
            return 0;
        }
        if (options && std::strcmp(arg, "--version") == 0) return cli::PrintVersion("vorn-calc");
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && std::strncmp(arg, "--", 2) == 0) {
            // "--x" could be read as an expression, but a long option misspelt
            // must not be evaluated in silence.
            return cli::UsageError("vorn-calc", cli::UnknownOption(arg), 2);
        } else if (expression != nullptr) {
            return cli::UsageError("vorn-calc", "unexpected argument '" + std::string(arg) + "' after the expression", 2);
        } else if (LooksLikeAssignment(arg)) {
            Assignment assignment;
            if (!ParseAssignment(arg, assignment)) return 2;
            assignments.push_back(assignment);
        } else {
            expression = arg;
        }
    }

    ExpressionHandle handle = Vorn_Create();
    if (handle == nullptr) {
        std::cerr << "vorn-calc: out of memory\n";
        return 1;
    }
    std::vector<double> values;
    values.reserve(assignments.size());
    for (const Assignment& a : assignments) {
        values.push_back(a.value);
        if (!Vorn_AddVar(handle, a.name.c_str(), &values.back())) {
            std::cerr << "vorn-calc: cannot define the variable '" << cp1251::to_utf8(a.name)
                      << "' (defined twice, or it begins with a digit)\n";
            Vorn_Close(handle);
            return 2;
        }
    }

    bool ok = true;
    if (expression != nullptr) {
        ok = Calculate(handle, expression, "");
    } else {
        std::string line;
        for (long number = 1; std::getline(std::cin, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(' ') == std::string::npos) continue;
            ok = Calculate(handle, line, "line " + std::to_string(number) + ": ") && ok;
        }
    }
    Vorn_Close(handle);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}
