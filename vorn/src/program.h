// The compiled form of a parsed sequence that evaluation runs without virtual
// calls or allocation.
#ifndef VORN_PROGRAM_H
#define VORN_PROGRAM_H

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "arith.h"
#include "sequence.h"

namespace vorn {

// A compiled program met an instruction that no compilation produces.
struct ProgramFault : std::logic_error {
    using std::logic_error::logic_error;
};

// A straight-line program over a value stack whose top is kept in a register.
// Operands that are literals or variables are read in place by the
// instruction that uses them instead of being pushed.
class Program {
public:
    // Compiles the tree ending at item `last`; the program reads the literals
    // in place, so the sequence must stay unchanged while it is kept.
    // Allocates; call at parse time only.
    void Build(const Sequence& sequence, std::size_t last);
    void Clear();
    // Whether Run() is one direct call (a program of one step).
    bool IsDirect() const { return singleSum || single != nullptr; }
    // Run() of a direct program (which cannot fail) in the form of the
    // machine code's entry: stores the value at `result`, returns 1.
    static int RunDirect(const void* program, double* result) noexcept {
        *result = static_cast<const Program*>(program)->RunStep();
        return 1;
    }
    bool Empty() const { return code.empty(); }
    // Runs the program; allocates nothing. A program of one step (a literal,
    // a variable, or one operator or function applied to literals and
    // variables) is a direct call. Corrupted code raises ProgramFault.
    double Run() {
        if (single != nullptr || singleSum) return RunStep();
        return RunCode();
    }

private:
    using Step = double (*)(const double* left, const double* right);

    double RunStep() const {
        if (singleSum) return arith::Add(*singleLeft, *singleRight);
        return single(singleLeft, singleRight);
    }
    bool TryFuse(Code outer, const double* left, const double* right);
    static Step SingleStep(int op);
    double RunCode();

    // One byte per instruction; the operands it reads in place follow in
    // `args`, left before right, in the order the instructions run.
    std::vector<std::uint8_t> code;
    std::vector<const double*> args;
    std::vector<double> stack;
    Step single = nullptr;
    bool singleSum = false;  // the one step is an addition, inlined
    const double* singleLeft = nullptr;
    const double* singleRight = nullptr;
};

}  // namespace vorn

#endif
