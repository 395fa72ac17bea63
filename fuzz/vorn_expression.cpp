// Fuzz target: Vorn_Setexpr and Vorn_Evaluate on any text, with a few
// variables bound.
//
// Input: two bytes that pick the variables' values from a palette of awkward
// doubles (four rounds of evaluation), then the expression text (up to the
// first zero byte). Checked:
// - the message buffers are exactly as large as the header says they must be
//   (text length + 27, at least 51; 17 for evaluation), so a longer message
//   is an overflow; on success they are untouched, on failure they hold one
//   of the parser's messages ending in "> ";
// - evaluation never fails, and gives 0.0 without an expression;
// - the evaluation as it runs (machine code where the expression has any),
//   the byte-code program and the node-by-node evaluation agree bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "cp1251.h"
#include "fuzz_check.h"
#include "mathexpression.h"
#include "vorn.h"

using namespace cp1251::literals;

namespace {

constexpr char kFill = '\x7E';

const double kPalette[16] = {0.0, -0.0, 1.0, -1.0, 0.5, 3.0, -2.5, 1e300,
                             -1e-300, HUGE_VAL, -HUGE_VAL, NAN, 2147483648.0, -2147483649.0, 0.999, 7.0};

// A block of exactly `size` bytes on the heap, filled with kFill: a write
// past its end is an overflow that the address sanitizer reports.
struct Exact {
    explicit Exact(std::size_t size) : size(size), bytes(new char[size]) { std::memset(bytes, kFill, size); }
    ~Exact() { delete[] bytes; }
    Exact(const Exact&) = delete;
    Exact& operator=(const Exact&) = delete;
    bool Untouched() const {
        for (std::size_t k = 0; k < size; ++k)
            if (bytes[k] != kFill) return false;
        return true;
    }
    std::size_t size;
    char* bytes;
};

bool StartsWith(const char* text, const std::string& prefix) {
    return std::strncmp(text, prefix.c_str(), prefix.size()) == 0;
}

// A failure message: zero-terminated inside the buffer, ending in "> ", and
// one of the library's texts.
void CheckMessage(const Exact& message, bool fromSetexpr) {
    const void* zero = std::memchr(message.bytes, '\0', message.size);
    FUZZ_CHECK(zero != nullptr);
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(zero) - message.bytes);
    FUZZ_CHECK(length >= 2 && message.bytes[length - 2] == '>' && message.bytes[length - 1] == ' ');
    const std::string memory = "Нет памяти> "_cp1251;
    if (!fromSetexpr) {
        FUZZ_CHECK(std::strcmp(message.bytes, "stack is empty> ") == 0 || message.bytes == memory);
        return;
    }
    const bool known = StartsWith(message.bytes, "Нет открывающей скобки> "_cp1251) ||
                       StartsWith(message.bytes, "Нет закрывающей скобки> "_cp1251) ||
                       StartsWith(message.bytes, "Неизвестная переменная: "_cp1251) ||
                       StartsWith(message.bytes, "Неизвестная функция: "_cp1251) ||
                       StartsWith(message.bytes, "Неверное использование, надо: "_cp1251) ||
                       message.bytes == memory;
    FUZZ_CHECK(known);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 2),
                           strnlen(reinterpret_cast<const char*>(data + 2), size - 2));
    double x = 0, y = 0, z = 0, cyr = 4, sinVar = 5;
    ExpressionHandle handle = Vorn_Create();
    FUZZ_CHECK(handle != nullptr);
    FUZZ_CHECK(Vorn_AddVar(handle, "x", &x) == 1);
    FUZZ_CHECK(Vorn_AddVar(handle, "y", &y) == 1);
    FUZZ_CHECK(Vorn_AddVar(handle, "z", &z) == 1);
    FUZZ_CHECK(Vorn_AddVar(handle, "икс"_cp1251, &cyr) == 1);
    FUZZ_CHECK(Vorn_AddVar(handle, "sin", &sinVar) == 1);
    FUZZ_CHECK(Vorn_AddVar(handle, "x", &y) == 0);

    Exact message(VORN_SETEXPR_MESSAGE_SIZE(text.size()));
    const int parsed = Vorn_Setexpr(handle, text.c_str(), message.bytes);
    FUZZ_CHECK(parsed == 0 || parsed == 1);
    if (parsed)
        FUZZ_CHECK(message.Untouched());
    else
        CheckMessage(message, true);

    auto* expression = reinterpret_cast<MathExpression*>(handle);
    for (int round = 0; round < 4; ++round) {
        const unsigned bits = (data[0] | data[1] << 8) >> (round * 4);
        x = kPalette[bits & 15];
        y = kPalette[(bits >> 1) & 15];
        z = kPalette[(bits >> 2) & 15];
        Exact evalMessage(VORN_EVALUATE_MESSAGE_SIZE);
        double result = 12345.0;
        FUZZ_CHECK(Vorn_Evaluate(handle, &result, evalMessage.bytes) == 1);
        FUZZ_CHECK(evalMessage.Untouched());
        if (!parsed) FUZZ_CHECK(SameBits(result, 0.0));
        const double byteCode = expression->EvaluateProgram();
        const double nodes = expression->EvaluateByNodes();
        if (!SameBits(result, byteCode) || !SameBits(result, nodes)) {
            std::uint64_t a = 0, b = 0, c = 0;
            std::memcpy(&a, &result, sizeof a);
            std::memcpy(&b, &byteCode, sizeof b);
            std::memcpy(&c, &nodes, sizeof c);
            std::fprintf(stderr, "x=%g y=%g z=%g: %s %016llx, byte-code %016llx, nodes %016llx\n", x, y, z,
                         expression->Machine().Function() != nullptr ? "machine code" : "direct step",
                         static_cast<unsigned long long>(a), static_cast<unsigned long long>(b),
                         static_cast<unsigned long long>(c));
        }
        FUZZ_CHECK(SameBits(result, byteCode));
        FUZZ_CHECK(SameBits(result, nodes));
    }
    Vorn_Close(handle);
    return 0;
}
