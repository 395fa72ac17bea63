// The parsed postfix sequence in compact form: one code byte per item, and
// one leaf (a literal's value or a variable's evaluator) per literal or
// variable, in item order. Nine bytes per item at most, so that a text of
// millions of terms costs a few bytes per byte of text.
#ifndef VORN_SEQUENCE_H
#define VORN_SEQUENCE_H

#include <cstddef>
#include <cstdint>
#include <vector>

class IMathExprEvaluator;

namespace vorn {

// Kinds of sequence items. Operators follow the operator table, functions the
// function table; Neg is a "-" with nothing to its left.
enum class Code : std::uint8_t {
    Literal, Variable,
    Add, Minus, Mult, Div, Exp, G, GE, L, LE, EQ, LShift, RShift, And, Or, LAnd, LOr,
    Int, Round, Sin, Cos, Tan, Sqrt, Min, Max, Abs,
    Neg
};

inline constexpr int kFirstOperator = static_cast<int>(Code::Add);
inline constexpr int kFirstFunction = static_cast<int>(Code::Int);

// Number of operands the item pops.
constexpr int Arity(Code code) {
    if (code == Code::Literal || code == Code::Variable) return 0;
    if (code == Code::Neg) return 1;
    if (code < Code::Int) return 2;
    return (code == Code::Min || code == Code::Max) ? 2 : 1;
}

constexpr bool IsLeaf(Code code) { return code == Code::Literal || code == Code::Variable; }

// What a literal or variable item holds.
union Leaf {
    double value;                        // a literal's value
    const IMathExprEvaluator* variable;  // a variable's MathExpression::VariableEvaluator
};

// The sequence is a forest: every operator or function takes the trees that
// end just before it as its operands and makes one tree of them.
class Sequence {
public:
    void Clear();
    std::size_t Size() const { return codes.size(); }
    bool Empty() const { return codes.empty(); }
    Code CodeAt(std::size_t index) const { return codes[index]; }
    const std::vector<Leaf>& Leaves() const { return leaves; }

    void AppendLiteral(double value);
    void AppendVariable(const IMathExprEvaluator* variable);
    // Appends an operator or function and takes its operands from the trees
    // before it. False when there are too few (the item stays appended, as a
    // failed item does). A "-" that finds exactly one tree before it has
    // nothing to its left: it becomes Neg.
    bool AppendChecked(Code code);

    // The items of the tree that ends at item `last`: its first item and the
    // index of its first leaf in Leaves().
    struct Span {
        std::size_t first;
        std::size_t firstLeaf;
    };
    Span TreeOf(std::size_t last) const;
    // Most values a postfix pass over that tree holds at once.
    std::size_t DepthOf(const Span& span, std::size_t last) const;

private:
    std::vector<Code> codes;
    std::vector<Leaf> leaves;
    std::size_t trees = 0;  // complete trees the items form
};

}  // namespace vorn

#endif
