// The compact postfix sequence: appending with the operand check, and finding
// the tree that ends at an item.
#include "sequence.h"

#include <algorithm>

namespace vorn {

void Sequence::Clear() {
    codes.clear();
    leaves.clear();
    trees = 0;
}

void Sequence::AppendLiteral(double value) {
    Leaf leaf;
    leaf.value = value;
    leaves.push_back(leaf);
    try {
        codes.push_back(Code::Literal);
    } catch (...) {
        leaves.pop_back();
        throw;
    }
    ++trees;
}

void Sequence::AppendVariable(const IMathExprEvaluator* variable) {
    Leaf leaf;
    leaf.variable = variable;
    leaves.push_back(leaf);
    try {
        codes.push_back(Code::Variable);
    } catch (...) {
        leaves.pop_back();
        throw;
    }
    ++trees;
}

bool Sequence::AppendChecked(Code code) {
    codes.push_back(code);
    const auto arity = static_cast<std::size_t>(Arity(code));
    if (code == Code::Minus && trees == 1) {
        codes.back() = Code::Neg;
        return true;
    }
    if (trees < arity) return false;
    trees = trees - arity + 1;
    return true;
}

// Walking back from `last`, each item needs its operands' trees; the tree is
// complete where nothing more is needed.
Sequence::Span Sequence::TreeOf(std::size_t last) const {
    std::size_t leavesAfter = 0;
    for (std::size_t i = last + 1; i < codes.size(); ++i) leavesAfter += IsLeaf(codes[i]) ? 1 : 0;
    std::size_t leavesIn = 0;
    std::size_t needed = 1;
    std::size_t i = last;
    for (;; --i) {
        needed = needed - 1 + static_cast<std::size_t>(Arity(codes[i]));
        leavesIn += IsLeaf(codes[i]) ? 1 : 0;
        if (needed == 0 || i == 0) break;
    }
    return Span{i, leaves.size() - leavesAfter - leavesIn};
}

std::size_t Sequence::DepthOf(const Span& span, std::size_t last) const {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    for (std::size_t i = span.first; i <= last; ++i) {
        depth = depth + 1 - static_cast<std::size_t>(Arity(codes[i]));
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

}  // namespace vorn
