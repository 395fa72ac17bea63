// The expression object: construction, table and variable lookups, evaluation
// and the exception type.
#include "mathexpression.h"

#include <cstring>
#include <memory>

#include "operators.h"

namespace {

constexpr const char* kModule = ".\\mathexpression";
constexpr int kLineStackEmpty = 748;

void DeleteOwned(std::vector<EvaluatorEntry>& table) {
    for (EvaluatorEntry& entry : table) {
        if (entry.owned) {
            delete entry.evaluator;
            entry.evaluator = nullptr;
        }
    }
}

}  // namespace

// ---- MATExceptions ------------------------------------------------------

MATExceptions::MATExceptions(int line, const char* file, int code, const char* detail,
                             const char* message) {
    errors.insert(errors.begin(), MATError{line, code, file, detail, message});
}

std::string MATExceptions::FullMessage() const {
    std::string full;
    for (const MATError& error : errors) {
        full += error.message;
        full += "> ";
    }
    return full;
}

void RaiseMATError(int line, const std::string& message) {
    throw MATExceptions(line, kModule, 0, "", message.c_str());
}

// ---- Construction -------------------------------------------------------

MathExpression::MathExpression() {
    try {
        FillCatalogue(operators, functions);
    } catch (...) {
        DeleteOwned(operators);
        DeleteOwned(functions);
        throw;
    }
}

MathExpression::~MathExpression() {
    DeleteOwned(operators);
    DeleteOwned(functions);
    for (VariableRecord& record : variables) {
        delete record.evaluator;
        record.evaluator = nullptr;
    }
}

// ---- Lookups ------------------------------------------------------------

bool MathExpression::FindOperator(char symbol, unsigned& index) const {
    const int wanted = static_cast<signed char>(symbol);
    for (unsigned i = 0; i < operators.size(); ++i) {
        const auto* op = static_cast<const IMathOperator*>(operators[i].evaluator);
        if (wanted == static_cast<int>(static_cast<unsigned>(op->Symbol()))) {
            index = i;
            return true;
        }
    }
    return false;
}

bool MathExpression::FindOperator(std::uint16_t code, unsigned& index) const {
    for (unsigned i = 0; i < operators.size(); ++i) {
        const auto* op = static_cast<const IMathOperator*>(operators[i].evaluator);
        if (op->Symbol() == code) {
            index = i;
            return true;
        }
    }
    return false;
}

bool MathExpression::FindFunction(const char* name, unsigned& index) const {
    for (unsigned i = 0; i < functions.size(); ++i) {
        const auto* fn = static_cast<const IMathFunction*>(functions[i].evaluator);
        if (fn->Name() == name) {
            index = i;
            return true;
        }
    }
    return false;
}

// ---- Variables ----------------------------------------------------------

bool MathExpression::AddVariable(const char* name, const double* target) {
    if (FindVariable(name) >= 0) return false;
    if (name[0] >= '0' && name[0] <= '9') return false;
    auto evaluator = std::make_unique<VariableEvaluator>(target);
    variables.push_back(VariableRecord{name, evaluator.get()});
    evaluator.release();
    return true;
}

std::int32_t MathExpression::FindVariable(const char* name) const {
    for (std::size_t i = 0; i < variables.size(); ++i)
        if (variables[i].name == name) return static_cast<std::int32_t>(i);
    return -1;
}

// ---- Evaluation ---------------------------------------------------------

double MathExpression::EvaluateByNodes() {
    if (sequence.empty() || !valid) return 0.0;
    return EvaluateItem(static_cast<unsigned>(sequence.size() - 1));
}

// A postfix pass over the items of the tree ending at `index`, with
// `workSequence` as the value stack and `cursor` as its top.
double MathExpression::EvaluateItem(unsigned index) {
    cursor = -1;
    for (auto i = static_cast<unsigned>(shapes[index].spanStart); i <= index; ++i) {
        const MathExprItem& item = sequence[i];
        const double value = item.known ? item.value : item.evaluator->Compute(*this);
        workSequence[static_cast<std::size_t>(++cursor)] = MathExprItem{nullptr, value, true};
    }
    return Pop();
}

double MathExpression::Pop() {
    if (cursor < 0) RaiseMATError(kLineStackEmpty, "stack is empty");
    return workSequence[static_cast<std::size_t>(cursor--)].value;
}

bool MathExpression::IsEmpty() {
    return cursor < 0;
}

// Sizes the value stack for the deepest pass and compiles the program.
void MathExpression::PrepareEvaluation() {
    std::int64_t depth = 0;
    std::int64_t deepest = 0;
    for (const vorn::ItemShape& shape : shapes) {
        depth += 1 - vorn::Arity(shape.code);
        if (depth > deepest) deepest = depth;
    }
    workSequence.assign(static_cast<std::size_t>(deepest), MathExprItem{});
    if (sequence.empty())
        program.Clear();
    else
        program.Build(sequence, shapes, static_cast<unsigned>(sequence.size() - 1));
}

vorn::Code MathExpression::CodeOf(const IMathExprEvaluator* evaluator) const {
    if (evaluator == nullptr) return vorn::Code::Literal;
    for (std::size_t i = 0; i < operators.size(); ++i)
        if (operators[i].evaluator == evaluator)
            return static_cast<vorn::Code>(vorn::kFirstOperator + static_cast<int>(i));
    for (std::size_t i = 0; i < functions.size(); ++i)
        if (functions[i].evaluator == evaluator)
            return static_cast<vorn::Code>(vorn::kFirstFunction + static_cast<int>(i));
    return vorn::Code::Variable;
}
