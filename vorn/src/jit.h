// Machine code for a parsed expression: the same computation as the compiled
// program, translated into instructions of the processor the library runs on.
#ifndef VORN_JIT_H
#define VORN_JIT_H

#include <cstddef>

#include "sequence.h"

namespace vorn {

// A function that evaluates one expression, reading its variables through the
// addresses they were registered with. Owns the executable memory it lives
// in; the memory is writable only while the code is written, then read and
// execute only.
class MachineCode {
public:
    // Stores the value at `result` and returns 1, as Vorn_Evaluate does;
    // `context` is not used (the signature is that of every fast path).
    using Entry = int (*)(const void* context, double* result) noexcept;

    // Expressions beyond these are left to the byte-code: the longest
    // sequence translated (items) and the most values held at once (each
    // has a slot in the code's stack frame).
    static constexpr std::size_t kMaxItems = 1u << 18;
    static constexpr std::size_t kMaxDepth = 480;

    MachineCode() = default;
    ~MachineCode() { Clear(); }
    MachineCode(const MachineCode&) = delete;
    MachineCode& operator=(const MachineCode&) = delete;

    // Translates the tree ending at item `last`. False, with nothing kept,
    // when there is no code generator for this processor, the tree exceeds
    // the limits above, or the system refuses executable memory. Literals are
    // copied into the code; variables are read where they live. Never throws.
    bool Build(const Sequence& sequence, std::size_t last) noexcept;
    // Frees the code; Entry() is null afterwards.
    void Clear() noexcept;

    Entry Function() const { return entry; }
    // The mapping holding the code, for checks of its protection.
    const void* Memory() const { return memory; }
    std::size_t MemorySize() const { return mapped; }

    // False when the environment variable VORN_JIT is "0": expressions then
    // run as byte-code only.
    static bool Enabled() noexcept;

private:
    void* memory = nullptr;
    std::size_t mapped = 0;
    Entry entry = nullptr;
};

}  // namespace vorn

#endif
