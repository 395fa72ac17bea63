// The arithmetic of every operator and function, shared by the node classes
// and by the compiled evaluation so that both compute bit-identical results.
#ifndef VORN_ARITH_H
#define VORN_ARITH_H

#include <cmath>
#include <cstdint>

namespace vorn::arith {

// Truncation toward zero to a 32-bit integer; NaN, infinities and values
// outside the 32-bit range give the integer minimum.
inline std::int32_t ToInt(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

inline double Flag(bool b) { return b ? 1.0 : 0.0; }

// l + r and l * r, giving the left operand's NaN when both are NaNs. The
// processor passes on the NaN of the operand it names first, and a compiler
// may swap the operands of a sum or product at will, so two places that add
// the same values could give NaNs of opposite signs. Naming the instruction
// fixes the order.
inline double Add(double l, double r) {
#if defined(__x86_64__) && defined(__SSE2__)
    __asm__("addsd %1, %0" : "+x"(l) : "xm"(r));
    return l;
#else
    return l + r;
#endif
}
inline double Mul(double l, double r) {
#if defined(__x86_64__) && defined(__SSE2__)
    __asm__("mulsd %1, %0" : "+x"(l) : "xm"(r));
    return l;
#else
    return l * r;
#endif
}
inline double Sub(double l, double r) { return l - r; }
inline double Neg(double r) { return -r; }
inline double Div(double l, double r) { return l / r; }
// A square is one multiplication, correctly rounded (as compilers make
// pow(a, 2.0)); every other exponent goes to the C library.
inline double Pow(double l, double r) { return r == 2.0 ? Mul(l, l) : std::pow(l, r); }
inline double Gt(double l, double r) { return Flag(l > r); }
inline double Ge(double l, double r) { return Flag(l >= r); }
inline double Lt(double l, double r) { return Flag(l < r); }
inline double Le(double l, double r) { return Flag(l <= r); }
inline double Eq(double l, double r) { return Flag(l == r); }

inline double ShiftLeft(double l, double r) {
    const auto bits = static_cast<std::uint32_t>(ToInt(l)) << (ToInt(r) & 31);
    return static_cast<double>(static_cast<std::int32_t>(bits));
}
inline double ShiftRight(double l, double r) {
    return static_cast<double>(ToInt(l) >> (ToInt(r) & 31));
}
inline double BitAnd(double l, double r) { return static_cast<double>(ToInt(l) & ToInt(r)); }
inline double BitOr(double l, double r) { return static_cast<double>(ToInt(l) | ToInt(r)); }

inline double LogicalAnd(double l, double r) {
    if (ToInt(l) == 0) return 0.0;
    return ToInt(r) == 0 ? 0.0 : 1.0;
}
inline double LogicalOr(double l, double r) {
    if (ToInt(l) != 0) return 1.0;
    return ToInt(r) != 0 ? 1.0 : 0.0;
}

inline double IntPart(double x) { return static_cast<double>(ToInt(x)); }
inline double Round(double x) { return static_cast<double>(ToInt(x + 0.5)); }
inline double Sin(double x) { return std::sin(x); }
inline double Cos(double x) { return std::cos(x); }
inline double Tan(double x) { return std::tan(x); }
inline double Sqrt(double x) { return x < 0 ? 0.0 : std::sqrt(x); }
// first and second are the arguments as written: min(first, second).
inline double Min(double first, double second) { return second < first ? second : first; }
inline double Max(double first, double second) { return second > first ? second : first; }
inline double Abs(double x) { return std::fabs(x); }

}  // namespace vorn::arith

#endif
