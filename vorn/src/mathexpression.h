// The expression object: evaluator interfaces, the node tables, the parsed
// postfix sequence, variables, evaluation, and the library's exception type.
#ifndef VORN_MATHEXPRESSION_H
#define VORN_MATHEXPRESSION_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jit.h"
#include "program.h"

// Source of operand values for a node's Compute: the first Pop() yields the
// rightmost operand.
class IMathExprStack {
public:
    virtual ~IMathExprStack() = default;
    virtual double Pop() = 0;
    virtual bool IsEmpty() = 0;
};

// A node of the postfix sequence.
class IMathExprEvaluator {
public:
    virtual ~IMathExprEvaluator() = default;
    // Text naming the node in the wrong-use message.
    virtual std::string Description() const = 0;
    // Pops the node's operands from `stack` and returns its value.
    virtual double Compute(IMathExprStack& stack) const = 0;
};

class IMathOperator : public IMathExprEvaluator {
public:
    virtual std::int32_t Precedence() const = 0;
    // One character: its code; two characters: first + 256 * second.
    virtual std::uint16_t Symbol() const = 0;
};

class IMathFunction : public IMathExprEvaluator {
public:
    virtual std::string Name() const = 0;
};

// One entry of the operator or function table.
struct EvaluatorEntry {
    IMathExprEvaluator* evaluator = nullptr;
    bool owned = false;
};

// One element of a postfix sequence; `evaluator` is null for a literal.
struct MathExprItem {
    const IMathExprEvaluator* evaluator = nullptr;
    double value = 0.0;
    bool known = false;
};

struct MATError {
    std::int32_t line = 0;
    std::int32_t code = 0;
    std::string file;
    std::string detail;
    std::string message;
};

// The library's only error carrier; a value type holding MATError records.
class MATExceptions {
public:
    MATExceptions(int line, const char* file, int code, const char* detail, const char* message);
    MATExceptions(const MATExceptions&) = default;
    MATExceptions& operator=(const MATExceptions&) = default;
    ~MATExceptions() = default;

    // Every record's message followed by "> ".
    std::string FullMessage() const;
    const std::vector<MATError>& Errors() const { return errors; }

private:
    std::vector<MATError> errors;
};

class MathExpression : public IMathExprStack {
public:
    // Reads one caller-owned double; pops nothing.
    class VariableEvaluator : public IMathExprEvaluator {
    public:
        explicit VariableEvaluator(const double* target) : target(target) {}
        std::string Description() const override { return std::string(); }
        double Compute(IMathExprStack&) const override { return *target; }
        const double* Target() const { return target; }

    private:
        const double* target;
    };

    struct VariableRecord {
        std::string name;
        VariableEvaluator* evaluator = nullptr;
    };

    MathExpression();
    ~MathExpression() override;
    MathExpression(const MathExpression&) = delete;
    MathExpression& operator=(const MathExpression&) = delete;

    // Table lookups; on failure `index` is left unchanged.
    bool FindOperator(char symbol, unsigned& index) const;
    bool FindOperator(std::uint16_t code, unsigned& index) const;
    bool FindFunction(const char* name, unsigned& index) const;

    // Variables: false for a duplicate name or one starting with a digit.
    // Both take constant time on average.
    bool AddVariable(const char* name, const double* target);
    std::int32_t FindVariable(const char* name) const;

    // Parses `text`; raises MATExceptions on an error (then no expression is set).
    bool SetExpression(const char* text);

    // Value of the current expression, 0.0 when there is none. Runs the
    // machine code made at parse time, or where there is none the byte-code
    // program; never allocates.
    double Evaluate() {
        if (fastRun != nullptr) {
            double value;
            fastRun(fastContext, &value);
            return value;
        }
        // The program is empty, and runs to 0.0, whenever `sequence` is empty
        // or `valid` is false: parsing clears it first and builds it last.
        return program.Run();
    }
    // The same value computed by the byte-code program, machine code or not.
    double EvaluateProgram() { return program.Run(); }
    // The machine code of the current expression: none for an expression of
    // one step (the byte-code runs it as one direct call), where the code
    // generator declines it, or with VORN_JIT=0.
    const vorn::MachineCode& Machine() const { return machineCode; }
    const vorn::Program& ByteCode() const { return program; }
    // The evaluation that cannot fail, when the expression has one: its
    // machine code or the byte-code's direct step. Called with FastContext(),
    // it stores the value and returns 1; null otherwise.
    vorn::MachineCode::Entry FastPath() const { return fastRun; }
    const void* FastContext() const { return fastContext; }
    // The same value computed node by node through each evaluator's Compute.
    // Allocates its value stack; for checking the compiled evaluation.
    double EvaluateByNodes();
    // Value of the tree ending at item `index` of a parsed sequence, through Compute.
    double EvaluateItem(unsigned index);

    double Pop() override;
    bool IsEmpty() override;

    // Length of the longest literal at `at` (0 when none) and its value.
    static std::size_t ReadNumber(const char* at, double* value);

    const std::vector<EvaluatorEntry>& Operators() const { return operators; }
    const std::vector<EvaluatorEntry>& Functions() const { return functions; }
    // The sequence, item by item, as full records (built on each call).
    std::vector<MathExprItem> Items() const;
    const std::vector<VariableRecord>& Variables() const { return variables; }
    const std::string& Text() const { return text; }
    bool Valid() const { return valid; }

private:
    struct PendingEntry;

    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>()(name);
        }
    };

    void Parse(const char* work, std::size_t len);
    MathExprItem ResolveToken(const std::string& token, char delimiter, bool& isFunction) const;
    void AppendChecked(vorn::Code code);
    const IMathExprEvaluator* EvaluatorOf(vorn::Code code) const;
    void IndexOperators();

    std::vector<EvaluatorEntry> operators;
    std::vector<EvaluatorEntry> functions;
    vorn::Sequence sequence;
    std::vector<MathExprItem> workSequence;
    std::vector<VariableRecord> variables;
    std::string text;
    std::int32_t cursor = -1;
    bool valid = false;

    // Position of every variable's record by name.
    std::unordered_map<std::string, std::int32_t, NameHash, std::equal_to<>> variableIndex;
    // The operator table by first byte: the operator whose one-byte symbol it
    // is (or -1), and whether a two-byte symbol starts with it.
    std::array<std::int8_t, 256> oneByteOperator{};
    std::array<bool, 256> startsPair{};
    // Function names as the table gives them, read once.
    std::vector<std::string> functionNames;
    vorn::Program program;
    vorn::MachineCode machineCode;
    vorn::MachineCode::Entry fastRun = nullptr;
    const void* fastContext = nullptr;
};

// Raises the library's error with the fields every raising place uses.
[[noreturn]] void RaiseMATError(int line, const std::string& message);

#endif
