// The expression parser: one left-to-right pass with a stack of pending
// operators, function calls and open brackets, checking every emitted
// operator or function for its operands as soon as it is appended.
#include <charconv>
#include <cmath>
#include <cstring>

#include "cp1251.h"
#include "mathexpression.h"

using namespace cp1251::literals;

namespace {

constexpr int kLineNoOpening = 363;
constexpr int kLineNoClosing = 434;
constexpr int kLineWrongUse = 460;
constexpr int kLineUnknownFunction = 517;
constexpr int kLineUnknownVariable = 543;

constexpr std::int8_t kBracket = -1;
constexpr std::int8_t kCall = 11;

// Symbol code of two adjacent bytes; the first is taken as a signed byte, so a
// first byte of 0x80 or more never forms an operator.
std::uint16_t PairCode(char first, char second) {
    return static_cast<std::uint16_t>(static_cast<signed char>(first) +
                                      256 * static_cast<unsigned char>(second));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsExponentMarker(char c) {
    const auto b = static_cast<unsigned char>(c);
    return c == 'e' || c == 'E' || b == 0xC5 || b == 0xE5;  // Cyrillic Е and е
}

// Decimal order of magnitude of a literal's digits and exponent: positive when
// its value is at least 1. Used only when the conversion is out of range.
long long Magnitude(const char* begin, const char* end) {
    const char* p = begin;
    if (*p == '+' || *p == '-') ++p;
    long long order = 0;
    bool seenNonZero = false;
    for (; p < end && IsDigit(*p); ++p)
        if (seenNonZero || *p != '0') { seenNonZero = true; ++order; }
    if (p < end && *p == '.')
        for (++p; p < end && IsDigit(*p) && !seenNonZero; ++p) {
            if (*p != '0') seenNonZero = true; else --order;
        }
    while (p < end && IsDigit(*p)) ++p;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-')) ++p;
        long long exponent = 0;
        for (; p < end && IsDigit(*p); ++p)
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        order += negative ? -exponent : exponent;
    }
    return order;
}

// Decimal value of exactly [begin, end): digits, optional fraction, optional
// exponent; independent of the process locale. Too large gives an infinity,
// too small a zero, as the C conversion does.
double DecimalValue(const char* begin, const char* end) {
    const bool negative = *begin == '-';
    const char* first = *begin == '+' ? begin + 1 : begin;
    double value = 0.0;
    const auto result = std::from_chars(first, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const double magnitude = Magnitude(begin, end) > 0 ? HUGE_VAL : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return value;
}

}  // namespace

// An entry of the stack of pending operators, calls and open brackets.
struct MathExpression::PendingEntry {
    std::int8_t priority;  // kBracket, kCall or an operator's precedence
    vorn::Code code;
};

bool MathExpression::SetExpression(const char* newText) {
    valid = false;
    fastRun = nullptr;
    machineCode.Clear();
    program.Clear();
    text = newText;
    Parse(text.data(), text.size());
    if (!sequence.Empty()) {
        program.Build(sequence, sequence.Size() - 1);
        if (program.IsDirect()) {
            fastRun = vorn::Program::RunDirect;
            fastContext = &program;
        } else if (vorn::MachineCode::Enabled() && machineCode.Build(sequence, sequence.Size() - 1)) {
            fastRun = machineCode.Function();
        }
        // Otherwise the byte-code runs: the fall-back is silent.
    }
    valid = true;
    return true;
}

std::size_t MathExpression::ReadNumber(const char* at, double* value) {
    std::size_t i = (at[0] == '+' || at[0] == '-') ? 1 : 0;
    if (!IsDigit(at[i])) return 0;
    while (IsDigit(at[i])) ++i;
    if (at[i] == '.') {
        ++i;
        while (IsDigit(at[i])) ++i;
    }
    std::size_t marker = 0;
    if (IsExponentMarker(at[i])) {
        marker = i;
        ++i;
        if (at[i] == '+' || at[i] == '-') ++i;
        while (IsDigit(at[i])) ++i;
    }
    if (value == nullptr) return i;
    if (marker != 0 && static_cast<unsigned char>(at[marker]) >= 0x80) {
        // The conversion knows only the Latin exponent letters.
        std::string literal(at, i);
        literal[marker] = 'e';
        *value = DecimalValue(literal.data(), literal.data() + i);
    } else {
        *value = DecimalValue(at, at + i);
    }
    return i;
}

MathExprItem MathExpression::ResolveToken(const std::string& token, char delimiter,
                                          bool& isFunction) const {
    if (delimiter == '(') {
        unsigned index = 0;
        if (!FindFunction(token.c_str(), index))
            RaiseMATError(kLineUnknownFunction, "Неизвестная функция: "_cp1251 + token);
        isFunction = true;
        return MathExprItem{functions[index].evaluator, 0.0, false};
    }
    const std::int32_t index = FindVariable(token.c_str());
    if (index < 0)
        RaiseMATError(kLineUnknownVariable, "Неизвестная переменная: "_cp1251 + token);
    isFunction = false;
    return MathExprItem{variables[static_cast<std::size_t>(index)].evaluator, 0.0, false};
}

void MathExpression::AppendChecked(vorn::Code code) {
    if (!sequence.AppendChecked(code)) {
        valid = false;
        RaiseMATError(kLineWrongUse, "Неверное использование, надо: "_cp1251 +
                                         EvaluatorOf(code)->Description());
    }
}

void MathExpression::Parse(const char* work, std::size_t len) {
    sequence.Clear();
    std::string token;
    std::vector<PendingEntry> pending;
    std::size_t pos = 0;

    const auto appendLiteral = [&](std::size_t at) {
        double number = 0.0;
        const std::size_t count = ReadNumber(work + at, &number);
        sequence.AppendLiteral(number);
        return count;
    };
    const auto emitTop = [&] {
        const vorn::Code code = pending.back().code;
        pending.pop_back();
        AppendChecked(code);
    };

    while (work[pos] == ' ') ++pos;
    if (work[pos] == '-' && IsDigit(work[pos + 1])) pos += appendLiteral(pos);

    while (pos < len) {
        // A literal, then the byte after it in the same step.
        if (token.empty() && IsDigit(work[pos])) pos += appendLiteral(pos);
        const char c = work[pos];
        const auto byte = static_cast<unsigned char>(c);

        // The current operator: a two-byte symbol wins over a one-byte one.
        int current = -1;
        unsigned index = 0;
        if (startsPair[byte] && pos + 1 < len && FindOperator(PairCode(c, work[pos + 1]), index)) {
            current = static_cast<int>(index);
            ++pos;
        } else {
            current = oneByteOperator[byte];
        }

        if (current < 0 && c != '(' && c != ')' && c != ',') {
            if (c != ' ' && c != '\0') token += c;
            ++pos;
            continue;
        }

        if (!token.empty()) {
            bool isFunction = false;
            const MathExprItem item = ResolveToken(token, c, isFunction);
            if (isFunction) {
                unsigned fn = 0;
                while (functions[fn].evaluator != item.evaluator) ++fn;
                pending.push_back(PendingEntry{
                    kCall, static_cast<vorn::Code>(vorn::kFirstFunction + static_cast<int>(fn))});
            } else {
                sequence.AppendVariable(item.evaluator);
            }
            token.clear();
        }

        if (current >= 0) {
            const auto* op = static_cast<const IMathOperator*>(operators[static_cast<std::size_t>(current)].evaluator);
            const auto p = static_cast<std::int8_t>(op->Precedence());
            while (!pending.empty() && pending.back().priority != kBracket &&
                   pending.back().priority >= p)
                emitTop();
            pending.push_back(PendingEntry{p, static_cast<vorn::Code>(vorn::kFirstOperator + current)});
        } else if (c == '(') {
            pending.push_back(PendingEntry{kBracket, vorn::Code::Literal});
            while (work[pos + 1] == ' ') ++pos;
            if (work[pos + 1] == '-' && IsDigit(work[pos + 2])) pos += appendLiteral(pos + 1);
        } else {
            if (pending.empty()) RaiseMATError(kLineNoOpening, "Нет открывающей скобки"_cp1251);
            while (pending.back().priority != kBracket) {
                emitTop();
                if (pending.empty())
                    RaiseMATError(kLineNoOpening, "Нет открывающей скобки"_cp1251);
            }
            if (c == ')') pending.pop_back();
        }
        ++pos;
    }

    if (!token.empty()) {
        bool isFunction = false;
        sequence.AppendVariable(ResolveToken(token, '\0', isFunction).evaluator);
    }
    while (!pending.empty()) {
        if (pending.back().priority == kBracket)
            RaiseMATError(kLineNoClosing, "Нет закрывающей скобки"_cp1251);
        emitTop();
    }
}
