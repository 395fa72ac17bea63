// vorn-calc: evaluates expressions from the command line or standard input
// through the public Vorn interface, converting between UTF-8 and Windows-1251.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cp1251.h"
#include "vorn.h"

namespace {

constexpr const char* kUsage =
    "usage: vorn-calc [NAME=VALUE ...] [EXPRESSION]\n"
    "Prints the value of EXPRESSION with the variables given; without an\n"
    "expression, evaluates one expression per line of standard input.\n"
    "Example: vorn-calc x=3 y=0.5 \"2*(x+1)^2-sin(y)\"\n";

struct Assignment {
    std::string name;  // Windows-1251
    double value;
};

// NAME=VALUE with a non-empty name free of '=' and a value that is a whole number text.
bool ParseAssignment(const char* arg, Assignment& out) {
    const char* eq = std::strchr(arg, '=');
    if (eq == nullptr || eq == arg || eq[1] == '\0') return false;
    char* end = nullptr;
    const double value = std::strtod(eq + 1, &end);
    if (*end != '\0') return false;
    bool lossless = true;
    out.name = cp1251::from_utf8(std::string_view(arg, static_cast<std::size_t>(eq - arg)), '?', &lossless);
    out.value = value;
    return lossless;
}

std::string Shortest(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Evaluates one UTF-8 expression; prints the value or the library's message.
bool Calculate(ExpressionHandle handle, const std::string& utf8) {
    bool lossless = true;
    const std::string text = cp1251::from_utf8(utf8, '?', &lossless);
    if (!lossless) {
        std::cerr << "vorn-calc: the expression holds a character outside Windows-1251\n";
        return false;
    }
    std::vector<char> message(VORN_SETEXPR_MESSAGE_SIZE(text.size()), '\0');
    double value = 0.0;
    if (!Vorn_Setexpr(handle, text.c_str(), message.data()) ||
        !Vorn_Evaluate(handle, &value, message.data())) {
        std::cerr << cp1251::to_utf8(message.data()) << '\n';
        return false;
    }
    std::cout << Shortest(value) << '\n';
    return true;
}

int Run(int argc, char** argv) {
    std::vector<Assignment> assignments;
    const char* expression = nullptr;
    for (int i = 1; i < argc; ++i) {
        Assignment assignment;
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (expression == nullptr && ParseAssignment(argv[i], assignment)) {
            assignments.push_back(assignment);
        } else if (expression == nullptr && i == argc - 1) {
            expression = argv[i];
        } else {
            std::cerr << "vorn-calc: unexpected argument '" << argv[i] << "'\n" << kUsage;
            return 2;
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
        ok = Calculate(handle, expression);
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(' ') == std::string::npos) continue;
            ok = Calculate(handle, line) && ok;
        }
    }
    Vorn_Close(handle);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}
