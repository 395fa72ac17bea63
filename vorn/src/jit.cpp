// The code generator: a postfix walk over the sequence that keeps the values
// of the operand stack in SSE registers, spilling to fixed frame slots when
// registers run out or a C library function is called, and emits each
// operator as the instructions that give exactly what arith.h computes.
#include "jit.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "arith.h"
#include "mathexpression.h"

#if defined(__x86_64__)
#include <asmjit/x86.h>
#endif

namespace vorn {

bool MachineCode::Enabled() noexcept {
    const char* setting = std::getenv("VORN_JIT");
    return setting == nullptr || std::strcmp(setting, "0") != 0;
}

void MachineCode::Clear() noexcept {
    if (memory != nullptr) munmap(memory, mapped);
    memory = nullptr;
    mapped = 0;
    entry = nullptr;
}

#if defined(__x86_64__)

namespace {

using namespace asmjit;

// The operations the generated code calls rather than inlines. Each is the
// byte-code's own arithmetic, so the same library function runs with the
// same arguments.
double SinOf(double x) { return arith::Sin(x); }
double CosOf(double x) { return arith::Cos(x); }
double TanOf(double x) { return arith::Tan(x); }
double PowOf(double l, double r) { return arith::Pow(l, r); }

const double* TargetOf(const IMathExprEvaluator* variable) {
    return static_cast<const MathExpression::VariableEvaluator*>(variable)->Target();
}

// Records that an instruction could not be encoded (or memory ran out):
// the translation is then abandoned.
class FailureFlag : public ErrorHandler {
public:
    void handleError(Error, const char*, BaseEmitter*) override { failed = true; }
    bool failed = false;
};

// Fixed entries at the start of the constant pool (16-byte aligned, so the
// packed masks can be memory operands); the literals follow.
constexpr int kSignMask = 0;   // 0x8000000000000000, 0
constexpr int kAbsMask = 16;   // 0x7FFFFFFFFFFFFFFF, 0
constexpr int kOne = 32;       // 1.0 as a mask for comparison results, 0
constexpr int kHalf = 48;      // 0.5
constexpr int kZero = 56;      // 0.0
constexpr int kLiterals = 64;

// cmpsd predicates.
constexpr uint32_t kCmpEq = 0, kCmpLt = 1, kCmpLe = 2, kCmpNlt = 5;

// Registers holding operand values: xmm0..xmm14; xmm15 is scratch.
constexpr int kValueRegisters = 15;
const x86::Xmm kScratch = x86::xmm15;
// Variable addresses: the first four variables have registers of their own,
// callee-saved ones (pushed) when the code calls functions, otherwise
// registers free for the taking; any other is loaded into r11 at each use.
const x86::Gp kSavedBases[] = {x86::rbx, x86::r12, x86::r13, x86::r14};
const x86::Gp kFreeBases[] = {x86::rdi, x86::r8, x86::r9, x86::r10};
// The result's address arrives in rsi (the first argument, a context, is not
// used); code that calls functions keeps it in r15 (pushed) instead.
constexpr int kMaxBases = 4;

class X86Generator {
public:
    X86Generator(x86::Assembler& a, std::size_t depth) : a(a) {
        stack.reserve(depth);
        for (int& o : owner) o = -1;
        pool = a.newLabel();
    }

    // Walks the tree once before translating it: the base registers go to
    // the first variables met, the literals are gathered for the pool, and
    // whether the code calls functions decides which registers are safe.
    void Survey(const Sequence& sequence, Sequence::Span span, std::size_t last) {
        std::size_t leaf = span.firstLeaf;
        for (std::size_t i = span.first; i <= last; ++i) {
            const Code code = sequence.CodeAt(i);
            if (code == Code::Sin || code == Code::Cos || code == Code::Tan ||
                (code == Code::Exp && !(sequence.CodeAt(i - 1) == Code::Literal && literals.back() == 2.0)))
                calls = true;
            if (code == Code::Literal) {
                literals.push_back(sequence.Leaves()[leaf++].value);
            } else if (code == Code::Variable) {
                const double* address = TargetOf(sequence.Leaves()[leaf++].variable);
                if (bases < kMaxBases && BaseOf(address) < 0) baseAddress[bases++] = address;
            }
        }
    }

    // The constants come first, so that every reference to them is a
    // displacement known when the instruction is encoded; the code starts
    // at the label returned.
    Label Pool() {
        a.bind(pool);
        a.embedUInt64(0x8000000000000000u);
        a.embedUInt64(0);
        a.embedUInt64(0x7FFFFFFFFFFFFFFFu);
        a.embedUInt64(0);
        a.embedDouble(1.0);
        a.embedUInt64(0);
        a.embedDouble(0.5);
        a.embedDouble(0.0);
        if (!literals.empty()) a.embedDataArray(TypeId::kFloat64, literals.data(), literals.size());
        a.align(AlignMode::kCode, 16);
        const Label start = a.newLabel();
        a.bind(start);
        return start;
    }

    void Prologue(std::size_t depth) {
        baseRegisters = calls ? kSavedBases : kFreeBases;
        resultAddress = calls ? x86::r15 : x86::rsi;
        int pushes = 0;
        if (calls) {
            for (int i = 0; i < bases; ++i) a.push(baseRegisters[i]);
            a.push(x86::r15);
            a.mov(x86::r15, x86::rsi);
            pushes = bases + 1;
        }
        // Without calls, and with no more values than registers, nothing is
        // ever spilled: no frame. Otherwise the return address, the pushes
        // and the frame make a multiple of 16, so that calls find the stack
        // aligned.
        if (calls || depth > static_cast<std::size_t>(kValueRegisters)) {
            frame = (static_cast<int>(depth) * 8 + 15) / 16 * 16;
            if (pushes % 2 == 0) frame += 8;
            a.sub(x86::rsp, frame);
        }
        for (int i = 0; i < bases; ++i)
            a.mov(baseRegisters[i], reinterpret_cast<std::uint64_t>(baseAddress[i]));
    }

    // The next literal of the tree, in the order Survey() met them.
    void Literal() {
        Value v;
        v.kind = Value::Constant;
        v.value = literals[nextLiteral];
        v.offset = kLiterals + 8 * static_cast<int>(nextLiteral++);
        stack.push_back(v);
    }

    void Variable(const double* address) {
        Value v;
        v.kind = Value::Variable;
        v.address = address;
        stack.push_back(v);
    }

    void Operator(Code code) {
        switch (code) {
            case Code::Add: TwoAddress(x86::Inst::kIdAddsd); break;
            case Code::Minus: TwoAddress(x86::Inst::kIdSubsd); break;
            case Code::Mult: TwoAddress(x86::Inst::kIdMulsd); break;
            case Code::Div: TwoAddress(x86::Inst::kIdDivsd); break;
            case Code::Exp: Power(); break;
            // l > r is r < l, l >= r is r <= l: the right operand's register
            // takes the comparison.
            case Code::G: Compare(kCmpLt, true); break;
            case Code::GE: Compare(kCmpLe, true); break;
            case Code::L: Compare(kCmpLt, false); break;
            case Code::LE: Compare(kCmpLe, false); break;
            case Code::EQ: Compare(kCmpEq, false); break;
            case Code::LShift:
            case Code::RShift:
            case Code::And:
            case Code::Or:
            case Code::LAnd:
            case Code::LOr: Integer(code); break;
            // min(a, b) is b < a ? b : a, which minsd b, a computes; max alike.
            case Code::Min: Reversed(x86::Inst::kIdMinsd); break;
            case Code::Max: Reversed(x86::Inst::kIdMaxsd); break;
            case Code::Int: Truncate(false); break;
            case Code::Round: Truncate(true); break;
            case Code::Sin: Call1(reinterpret_cast<std::uint64_t>(&SinOf)); break;
            case Code::Cos: Call1(reinterpret_cast<std::uint64_t>(&CosOf)); break;
            case Code::Tan: Call1(reinterpret_cast<std::uint64_t>(&TanOf)); break;
            case Code::Sqrt: Sqrt(); break;
            case Code::Abs: Mask(x86::Inst::kIdAndpd, kAbsMask); break;
            case Code::Neg: Mask(x86::Inst::kIdXorpd, kSignMask); break;
            case Code::Literal:
            case Code::Variable: break;
        }
    }

    // Stores the one value left at the result's address and returns 1.
    void Epilogue() {
        const int top = Top();
        if (stack[top].kind == Value::Register) {
            a.movsd(x86::qword_ptr(resultAddress), x86::xmm(stack[top].reg));
        } else {
            a.movsd(x86::xmm0, Mem64(top));
            a.movsd(x86::qword_ptr(resultAddress), x86::xmm0);
        }
        a.mov(x86::eax, 1);
        if (frame != 0) a.add(x86::rsp, frame);
        if (calls) {
            a.pop(x86::r15);
            for (int i = bases; i-- > 0;) a.pop(baseRegisters[i]);
        }
        a.ret();
    }

private:
    struct Value {
        enum Kind : std::uint8_t { Constant, Variable, Register, Slot } kind = Constant;
        int reg = -1;        // Register
        int offset = 0;      // Constant: its place in the pool
        double value = 0.0;  // Constant
        const double* address = nullptr;  // Variable
    };

    int Top() const { return static_cast<int>(stack.size()) - 1; }

    int BaseOf(const double* address) const {
        for (int i = 0; i < bases; ++i)
            if (baseAddress[i] == address) return i;
        return -1;
    }

    x86::Mem SlotOf(int position) const { return x86::qword_ptr(x86::rsp, 8 * position); }

    // The value at `position` as a memory operand; it must not be in a register.
    x86::Mem Mem64(int position) {
        const Value& v = stack[position];
        switch (v.kind) {
            case Value::Constant: return x86::qword_ptr(pool, v.offset);
            case Value::Variable: {
                const int base = BaseOf(v.address);
                if (base >= 0) return x86::qword_ptr(baseRegisters[base]);
                a.mov(x86::r11, reinterpret_cast<std::uint64_t>(v.address));
                return x86::qword_ptr(x86::r11);
            }
            default: return SlotOf(position);
        }
    }

    // The value at `position` as a source operand: its register or memory.
    Operand Source(int position) {
        if (stack[position].kind == Value::Register) return x86::xmm(stack[position].reg);
        return Mem64(position);
    }

    void Spill(int position) {
        Value& v = stack[position];
        a.movsd(SlotOf(position), x86::xmm(v.reg));
        owner[v.reg] = -1;
        v.kind = Value::Slot;
        v.reg = -1;
    }

    // A free register; when there is none, the deepest value held in one
    // below `keepFrom` goes to its slot.
    int FreeRegister(int keepFrom) {
        int victim = -1;
        for (int r = 0; r < kValueRegisters; ++r) {
            if (owner[r] < 0) return r;
            if (owner[r] < keepFrom && (victim < 0 || owner[r] < owner[victim])) victim = r;
        }
        Spill(owner[victim]);
        return victim;
    }

    void Own(int position, int reg) {
        stack[position].kind = Value::Register;
        stack[position].reg = reg;
        owner[reg] = position;
    }

    // Brings the value at `position` into a register of its own.
    x86::Xmm InRegister(int position, int keepFrom) {
        if (stack[position].kind == Value::Register) return x86::xmm(stack[position].reg);
        const int reg = FreeRegister(keepFrom);
        a.movsd(x86::xmm(reg), Mem64(position));
        Own(position, reg);
        return x86::xmm(reg);
    }

    void Release(int position) {
        if (stack[position].kind == Value::Register) owner[stack[position].reg] = -1;
    }

    // Replaces the operands from `first` up with the result held in `reg`.
    void Result(int first, int reg) {
        for (int p = Top(); p >= first; --p)
            if (stack[p].kind == Value::Register && stack[p].reg != reg) owner[stack[p].reg] = -1;
        stack.resize(static_cast<std::size_t>(first) + 1);
        Own(first, reg);
    }

    // left = left OP right.
    void TwoAddress(InstId op) {
        const int l = Top() - 1, r = Top();
        const x86::Xmm left = InRegister(l, l);
        a.emit(op, left, Source(r));
        Result(l, left.id());
    }

    // right = right OP left, the result standing for both.
    void Reversed(InstId op) {
        const int l = Top() - 1, r = Top();
        const x86::Xmm right = InRegister(r, l);
        a.emit(op, right, Source(l));
        Result(l, right.id());
    }

    // 1.0 or 0.0: the comparison's mask, and-ed with 1.0.
    void Compare(std::uint32_t predicate, bool swapped) {
        const int l = Top() - 1, r = Top();
        const int first = swapped ? r : l, second = swapped ? l : r;
        const x86::Xmm target = InRegister(first, l);
        a.emit(x86::Inst::kIdCmpsd, target, Source(second), Imm(predicate));
        a.andpd(target, x86::ptr(pool, kOne));
        Result(l, target.id());
    }

    // x^2 is x*x, as arith::Pow computes it; other exponents call it.
    void Power() {
        const Value& exponent = stack[Top()];
        if (exponent.kind == Value::Constant && exponent.value == 2.0) {
            const int l = Top() - 1;
            const x86::Xmm base = InRegister(l, l);
            a.mulsd(base, base);
            Result(l, base.id());
            return;
        }
        Call2(reinterpret_cast<std::uint64_t>(&PowOf));
    }

    // The 32-bit operators: cvttsd2si is arith::ToInt (the integer minimum
    // for NaN, infinities and anything out of range).
    void Integer(Code code) {
        const int l = Top() - 1, r = Top();
        a.emit(x86::Inst::kIdCvttsd2si, x86::eax, Source(l));
        a.emit(x86::Inst::kIdCvttsd2si, x86::ecx, Source(r));
        switch (code) {
            case Code::LShift: a.shl(x86::eax, x86::cl); break;
            case Code::RShift: a.sar(x86::eax, x86::cl); break;
            case Code::And: a.and_(x86::eax, x86::ecx); break;
            case Code::Or: a.or_(x86::eax, x86::ecx); break;
            default:
                a.test(x86::eax, x86::eax);
                a.setne(x86::al);
                a.test(x86::ecx, x86::ecx);
                a.setne(x86::cl);
                if (code == Code::LAnd)
                    a.and_(x86::al, x86::cl);
                else
                    a.or_(x86::al, x86::cl);
                a.movzx(x86::eax, x86::al);
                break;
        }
        int reg;
        if (stack[l].kind == Value::Register)
            reg = stack[l].reg;
        else if (stack[r].kind == Value::Register)
            reg = stack[r].reg;
        else
            reg = FreeRegister(l);
        a.xorps(x86::xmm(reg), x86::xmm(reg));
        a.cvtsi2sd(x86::xmm(reg), x86::eax);
        Result(l, reg);
    }

    // int(x) and round(x) = int(x + 0.5).
    void Truncate(bool round) {
        const int p = Top();
        if (round) {
            const x86::Xmm x = InRegister(p, p);
            a.addsd(x, x86::ptr(pool, kHalf));
        }
        a.emit(x86::Inst::kIdCvttsd2si, x86::eax, Source(p));
        const int reg = stack[p].kind == Value::Register ? stack[p].reg : FreeRegister(p);
        a.xorps(x86::xmm(reg), x86::xmm(reg));
        a.cvtsi2sd(x86::xmm(reg), x86::eax);
        Result(p, reg);
    }

    // x < 0 ? 0 : sqrt(x): the square root and-ed with the mask of
    // "not less than zero" (true for NaN, whose root is the NaN itself).
    void Sqrt() {
        const int p = Top();
        const x86::Xmm x = InRegister(p, p);
        a.movapd(kScratch, x);
        a.cmpsd(kScratch, x86::ptr(pool, kZero), Imm(kCmpNlt));
        a.sqrtsd(x, x);
        a.andpd(x, kScratch);
    }

    // x = x OP mask, for the sign bit.
    void Mask(InstId op, int offset) {
        const int p = Top();
        const x86::Xmm x = InRegister(p, p);
        a.emit(op, x, x86::ptr(pool, offset));
    }

    // Before a call every value below the arguments goes to its slot: the
    // callee may change every SSE register.
    void SpillBelow(int first) {
        for (int r = 0; r < kValueRegisters; ++r)
            if (owner[r] >= 0 && owner[r] < first) Spill(owner[r]);
    }

    void Load(int position, const x86::Xmm& target) {
        const Value& v = stack[position];
        if (v.kind == Value::Register) {
            if (static_cast<std::uint32_t>(v.reg) != target.id()) a.movapd(target, x86::xmm(v.reg));
        } else {
            a.movsd(target, Mem64(position));
        }
    }

    void CallAndTakeResult(std::uint64_t function, int first) {
        a.mov(x86::r10, function);
        a.call(x86::r10);
        for (int& o : owner) o = -1;
        stack.resize(static_cast<std::size_t>(first) + 1);
        Own(first, 0);
    }

    void Call1(std::uint64_t function) {
        const int p = Top();
        SpillBelow(p);
        Load(p, x86::xmm0);
        CallAndTakeResult(function, p);
    }

    // The left operand goes to xmm0 and the right one to xmm1, whichever
    // registers they are in.
    void Call2(std::uint64_t function) {
        const int l = Top() - 1, r = Top();
        SpillBelow(l);
        const Value& left = stack[l];
        const Value& right = stack[r];
        const bool leftIn1 = left.kind == Value::Register && left.reg == 1;
        const bool rightIn0 = right.kind == Value::Register && right.reg == 0;
        if (leftIn1 && rightIn0) {
            a.movapd(kScratch, x86::xmm0);
            a.movapd(x86::xmm0, x86::xmm1);
            a.movapd(x86::xmm1, kScratch);
        } else if (rightIn0) {
            Load(r, x86::xmm1);
            Load(l, x86::xmm0);
        } else {
            Load(l, x86::xmm0);
            Load(r, x86::xmm1);
        }
        CallAndTakeResult(function, l);
    }

    x86::Assembler& a;
    std::vector<Value> stack;
    std::vector<double> literals;
    std::size_t nextLiteral = 0;
    int owner[kValueRegisters];  // the stack position each register holds, or -1
    const double* baseAddress[kMaxBases] = {};
    int bases = 0;
    const x86::Gp* baseRegisters = kFreeBases;
    x86::Gp resultAddress = x86::rsi;
    bool calls = false;  // whether the code calls functions
    int frame = 0;
    Label pool;
};

}  // namespace

bool MachineCode::Build(const Sequence& sequence, std::size_t last) noexcept {
    Clear();
    try {
        const Sequence::Span span = sequence.TreeOf(last);
        if (last - span.first + 1 > kMaxItems) return false;
        const std::size_t depth = sequence.DepthOf(span, last);
        if (depth > kMaxDepth) return false;

        CodeHolder holder;
        FailureFlag failure;
        if (holder.init(Environment::host()) != kErrorOk) return false;
        holder.setErrorHandler(&failure);
        // About 7 bytes of code and constants per item: reserved at once.
        if (holder.reserveBuffer(&holder.textSection()->buffer(), 12 * (last - span.first) + 512) != kErrorOk)
            return false;
        x86::Assembler a(&holder);
        X86Generator generator(a, depth);
        generator.Survey(sequence, span, last);
        const Label start = generator.Pool();
        generator.Prologue(depth);
        std::size_t leaf = span.firstLeaf;
        for (std::size_t i = span.first; i <= last; ++i) {
            const Code code = sequence.CodeAt(i);
            if (code == Code::Literal) {
                generator.Literal();
                ++leaf;
            } else if (code == Code::Variable)
                generator.Variable(TargetOf(sequence.Leaves()[leaf++].variable));
            else
                generator.Operator(code);
        }
        generator.Epilogue();
        if (failure.failed || holder.flatten() != kErrorOk || holder.resolveUnresolvedLinks() != kErrorOk)
            return false;

        const std::size_t size = holder.codeSize();
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t length = (size + page - 1) / page * page;
        void* block = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (block == MAP_FAILED) return false;
        if (holder.relocateToBase(reinterpret_cast<std::uint64_t>(block)) != kErrorOk ||
            holder.copyFlattenedData(block, length, CopySectionFlags::kPadTargetBuffer) != kErrorOk ||
            mprotect(block, length, PROT_READ | PROT_EXEC) != 0) {
            munmap(block, length);
            return false;
        }
        memory = block;
        mapped = length;
        entry = reinterpret_cast<Entry>(static_cast<char*>(block) + holder.labelOffsetFromBase(start));
        return true;
    } catch (...) {
        // Out of memory while translating: the byte-code runs instead.
        Clear();
        return false;
    }
}

}  // namespace vorn

// asmjit's diagnostics, defined here so that the archive's own definitions
// (which print to the standard error stream through a relocation a shared
// library cannot hold) are never linked in. A library prints nothing.
namespace asmjit {
inline namespace ASMJIT_ABI_NAMESPACE {
namespace DebugUtils {

const char* errorAsString(Error) noexcept { return "asmjit error"; }
void debugOutput(const char*) noexcept {}
void assertionFailed(const char*, int, const char*) noexcept { std::abort(); }

}  // namespace DebugUtils
}  // inline namespace ASMJIT_ABI_NAMESPACE
}  // namespace asmjit

namespace vorn {

#else  // no code generator for this processor

bool MachineCode::Build(const Sequence&, std::size_t) noexcept {
    Clear();
    return false;
}

#endif

}  // namespace vorn
