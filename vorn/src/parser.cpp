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

constexpr std::int32_t kBracket = -1;
constexpr std::int32_t kCall = 11;

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
    if (p < end && *p == 'e') {
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

struct MathExpression::PendingEntry {
    std::int32_t priority;
    const IMathExprEvaluator* evaluator;
};

bool MathExpression::SetExpression(const char* newText) {
    valid = false;
    program.Clear();
    text = newText;
    std::string work(text);
    Parse(work.data());
    PrepareEvaluation();
    valid = true;
    return true;
}

int MathExpression::ReadNumber(char* at, double* value) {
    int i = (at[0] == '+' || at[0] == '-') ? 1 : 0;
    if (!IsDigit(at[i])) return 0;
    while (IsDigit(at[i])) ++i;
    if (at[i] == '.') {
        ++i;
        while (IsDigit(at[i])) ++i;
    }
    if (IsExponentMarker(at[i])) {
        at[i] = 'e';
        ++i;
        if (at[i] == '+' || at[i] == '-') ++i;
        while (IsDigit(at[i])) ++i;
    }
    if (value != nullptr) *value = DecimalValue(at, at + i);
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

void MathExpression::Append(const MathExprItem& item) {
    vorn::ItemShape shape;
    shape.spanStart = static_cast<std::int32_t>(sequence.size());
    shape.code = CodeOf(item.evaluator);
    if (shape.code == vorn::Code::Variable)
        shape.source = static_cast<const VariableEvaluator*>(item.evaluator)->Target();
    shapes.push_back(shape);
    try {
        sequence.push_back(item);
    } catch (...) {
        shapes.pop_back();
        throw;
    }
}

// The operands of the item at `index` are the trees that end just left of it,
// right operand first. Each earlier tree is already known, so the check only
// walks the item's own operands; a "-" whose right operand reaches the first
// item has nothing to its left and becomes a negation.
bool MathExpression::CheckOperands(unsigned index) {
    vorn::ItemShape& shape = shapes[index];
    const int arity = vorn::Arity(shape.code);
    std::int32_t cur = static_cast<std::int32_t>(index) - 1;
    for (int k = 0; k < arity; ++k) {
        if (cur < 0) return false;
        cur = shapes[static_cast<std::size_t>(cur)].spanStart - 1;
        if (k == 0 && shape.code == vorn::Code::Minus && cur < 0) {
            shape.code = vorn::Code::Neg;
            break;
        }
    }
    shape.spanStart = cur + 1;
    return true;
}

void MathExpression::AppendChecked(const MathExprItem& item) {
    Append(item);
    if (!CheckOperands(static_cast<unsigned>(sequence.size() - 1))) {
        valid = false;
        RaiseMATError(kLineWrongUse, "Неверное использование, надо: "_cp1251 +
                                         item.evaluator->Description());
    }
}

void MathExpression::Parse(char* work) {
    sequence.clear();
    shapes.clear();
    std::string token;
    std::vector<PendingEntry> pending;
    const std::size_t len = std::strlen(work);
    std::size_t pos = 0;
    double number = 0.0;

    const auto appendLiteral = [&](std::size_t at) {
        const int count = ReadNumber(work + at, &number);
        Append(MathExprItem{nullptr, number, true});
        return static_cast<std::size_t>(count);
    };

    while (work[pos] == ' ') ++pos;
    if (work[pos] == '-' && IsDigit(work[pos + 1])) pos += appendLiteral(pos);

    while (pos < len) {
        // A literal, then the byte after it in the same step.
        if (token.empty() && IsDigit(work[pos])) pos += appendLiteral(pos);
        const char c = work[pos];

        // The current operator: a two-byte symbol wins over a one-byte one.
        const IMathExprEvaluator* current = nullptr;
        unsigned index = 0;
        if (pos + 1 < len && FindOperator(PairCode(c, work[pos + 1]), index)) {
            current = operators[index].evaluator;
            ++pos;
        } else if (FindOperator(c, index)) {
            current = operators[index].evaluator;
        }

        if (current == nullptr && c != '(' && c != ')' && c != ',') {
            if (c != ' ' && c != '\0') token += c;
            ++pos;
            continue;
        }

        if (!token.empty()) {
            bool isFunction = false;
            const MathExprItem item = ResolveToken(token, c, isFunction);
            if (isFunction)
                pending.push_back(PendingEntry{kCall, item.evaluator});
            else
                Append(item);
            token.clear();
        }

        if (current != nullptr) {
            const std::int32_t p = static_cast<const IMathOperator*>(current)->Precedence();
            while (!pending.empty() && pending.back().priority != kBracket &&
                   pending.back().priority >= p) {
                const PendingEntry top = pending.back();
                pending.pop_back();
                AppendChecked(MathExprItem{top.evaluator, 0.0, false});
            }
            pending.push_back(PendingEntry{p, current});
        } else if (c == '(') {
            pending.push_back(PendingEntry{kBracket, nullptr});
            while (work[pos + 1] == ' ') ++pos;
            if (work[pos + 1] == '-' && IsDigit(work[pos + 2])) pos += appendLiteral(pos + 1);
        } else {
            if (pending.empty()) RaiseMATError(kLineNoOpening, "Нет открывающей скобки"_cp1251);
            while (pending.back().priority != kBracket) {
                const PendingEntry top = pending.back();
                pending.pop_back();
                AppendChecked(MathExprItem{top.evaluator, 0.0, false});
                if (pending.empty())
                    RaiseMATError(kLineNoOpening, "Нет открывающей скобки"_cp1251);
            }
            if (c == ')') pending.pop_back();
        }
        ++pos;
    }

    if (!token.empty()) {
        bool isFunction = false;
        Append(ResolveToken(token, '\0', isFunction));
    }
    while (!pending.empty()) {
        const PendingEntry top = pending.back();
        pending.pop_back();
        if (top.priority == kBracket) RaiseMATError(kLineNoClosing, "Нет закрывающей скобки"_cp1251);
        AppendChecked(MathExprItem{top.evaluator, 0.0, false});
    }
}
