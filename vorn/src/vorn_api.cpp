// The five exported C functions: the library's error boundary.
#include <cstring>
#include <new>

#include "cp1251.h"
#include "mathexpression.h"
#include "vorn.h"

using namespace cp1251::literals;

namespace {

MathExpression* Object(ExpressionHandle handle) {
    return reinterpret_cast<MathExpression*>(handle);
}

// Writes the exception's full message without allocating: each record's
// message followed by "> ", then a zero byte.
void WriteMessage(char* out, const MATExceptions& error) {
    for (const MATError& record : error.Errors()) {
        std::memcpy(out, record.message.data(), record.message.size());
        out += record.message.size();
        *out++ = '>';
        *out++ = ' ';
    }
    *out = '\0';
}

void WriteText(char* out, const char* textWithoutMarker) {
    const std::size_t n = std::strlen(textWithoutMarker);
    std::memcpy(out, textWithoutMarker, n);
    std::memcpy(out + n, "> ", 3);
}

// Runs `body` and turns every exception into a failure result `failed`:
// library errors with their message, anything else (memory exhaustion above
// all) with a short text of its own when there is a buffer for it.
template <class Result, class Body>
Result Guarded(char* message, Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const MATExceptions& error) {
        if (message != nullptr) WriteMessage(message, error);
    } catch (const std::bad_alloc&) {
        if (message != nullptr) WriteText(message, "Нет памяти"_cp1251);
    } catch (...) {
        if (message != nullptr) WriteText(message, "Сбой"_cp1251);
    }
    return failed;
}

// Evaluation by the byte-code program. Kept out of line so that the fast
// path through Vorn_Evaluate saves no registers.
[[gnu::noinline]] int EvaluateGuarded(ExpressionHandle handle, double* result, char* message) {
    return Guarded(message, 0, [&] {
        const double value = Object(handle)->Evaluate();
        *result = value;
        return 1;
    });
}

}  // namespace

extern "C" {

VORN_API ExpressionHandle Vorn_Create(void) {
    return Guarded<ExpressionHandle>(nullptr, nullptr, [] {
        return reinterpret_cast<ExpressionHandle>(new MathExpression);
    });
}

VORN_API void Vorn_Close(ExpressionHandle handle) {
    delete Object(handle);
}

VORN_API int Vorn_AddVar(ExpressionHandle handle, const char* name, const double* value) {
    return Guarded(nullptr, 0, [&] { return Object(handle)->AddVariable(name, value) ? 1 : 0; });
}

VORN_API int Vorn_Setexpr(ExpressionHandle handle, const char* text, char* message) {
    return Guarded(message, 0, [&] { return Object(handle)->SetExpression(text) ? 1 : 0; });
}

VORN_API int Vorn_Evaluate(ExpressionHandle handle, double* result, char* message) {
    // Machine code and direct steps cannot fail: they store the value and
    // return 1 themselves.
    const MathExpression& expression = *Object(handle);
    if (const vorn::MachineCode::Entry run = expression.FastPath()) return run(expression.FastContext(), result);
    return EvaluateGuarded(handle, result, message);
}

}  // extern "C"
