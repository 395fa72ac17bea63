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
        IndexOperators();
    } catch (...) {
        DeleteOwned(operators);
        DeleteOwned(functions);
        throw;
    }
}

// The parser's view of the tables: which operator a byte is on its own, which
// bytes may begin a two-byte symbol, and the function names. Only bytes
// below 0x80 can match a symbol (the lookups take a byte as signed).
void MathExpression::IndexOperators() {
    oneByteOperator.fill(-1);
    for (std::size_t i = operators.size(); i-- > 0;) {
        const auto symbol = static_cast<const IMathOperator*>(operators[i].evaluator)->Symbol();
        if (symbol < 0x80)
            oneByteOperator[symbol] = static_cast<std::int8_t>(i);
        else if (symbol > 0xFF && (symbol & 0xFF) < 0x80)
            startsPair[symbol & 0xFF] = true;
    }
    functionNames.reserve(functions.size());
    for (const EvaluatorEntry& entry : functions)
        functionNames.push_back(static_cast<const IMathFunction*>(entry.evaluator)->Name());
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
    for (unsigned i = 0; i < functionNames.size(); ++i) {
        if (functionNames[i] == name) {
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
    // Everything that may fail comes before the first change.
    auto evaluator = std::make_unique<VariableEvaluator>(target);
    VariableRecord record{name, evaluator.get()};
    if (variables.size() == variables.capacity()) variables.reserve(2 * variables.size() + 1);
    variableIndex.emplace(record.name, static_cast<std::int32_t>(variables.size()));
    variables.push_back(std::move(record));
    evaluator.release();
    return true;
}

// Names are unique, so the record the index gives is the first equal one.
std::int32_t MathExpression::FindVariable(const char* name) const {
    const auto found = variableIndex.find(std::string_view(name));
    return found == variableIndex.end() ? -1 : found->second;
}

// ---- Evaluation ---------------------------------------------------------

const IMathExprEvaluator* MathExpression::EvaluatorOf(vorn::Code code) const {
    if (code == vorn::Code::Neg) code = vorn::Code::Minus;
    const int n = static_cast<int>(code);
    if (n >= vorn::kFirstFunction) return functions[static_cast<std::size_t>(n - vorn::kFirstFunction)].evaluator;
    return operators[static_cast<std::size_t>(n - vorn::kFirstOperator)].evaluator;
}

std::vector<MathExprItem> MathExpression::Items() const {
    std::vector<MathExprItem> items;
    items.reserve(sequence.Size());
    std::size_t leaf = 0;
    for (std::size_t i = 0; i < sequence.Size(); ++i) {
        const vorn::Code code = sequence.CodeAt(i);
        if (code == vorn::Code::Literal)
            items.push_back(MathExprItem{nullptr, sequence.Leaves()[leaf++].value, true});
        else if (code == vorn::Code::Variable)
            items.push_back(MathExprItem{sequence.Leaves()[leaf++].variable, 0.0, false});
        else
            items.push_back(MathExprItem{EvaluatorOf(code), 0.0, false});
    }
    return items;
}

double MathExpression::EvaluateByNodes() {
    if (sequence.Empty() || !valid) return 0.0;
    return EvaluateItem(static_cast<unsigned>(sequence.Size() - 1));
}

// A postfix pass over the items of the tree ending at `index`, with
// `workSequence` as the value stack and `cursor` as its top.
double MathExpression::EvaluateItem(unsigned index) {
    const vorn::Sequence::Span span = sequence.TreeOf(index);
    workSequence.assign(sequence.DepthOf(span, index), MathExprItem{});
    std::size_t leaf = span.firstLeaf;
    cursor = -1;
    for (std::size_t i = span.first; i <= index; ++i) {
        const vorn::Code code = sequence.CodeAt(i);
        double value;
        if (code == vorn::Code::Literal)
            value = sequence.Leaves()[leaf++].value;
        else if (code == vorn::Code::Variable)
            value = sequence.Leaves()[leaf++].variable->Compute(*this);
        else
            value = EvaluatorOf(code)->Compute(*this);
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
