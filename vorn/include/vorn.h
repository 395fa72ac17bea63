/* Vorn: parse an expression over your double variables once, evaluate it often.
 *
 * Lifetime and ownership
 *   Vorn_Create makes an expression object and returns its handle; Vorn_Close
 *   destroys it. Every other function takes a handle that came from Vorn_Create
 *   and has not been closed. One handle is used by one thread at a time;
 *   different handles are independent.
 *   The library copies names and expression texts; the caller may reuse them
 *   after the call. It keeps the address given to Vorn_AddVar and reads the
 *   double there (never writes it) while an expression is set or evaluated, so
 *   that double must outlive its use by the handle.
 *
 * Texts
 *   Names, expressions and messages are zero-terminated byte strings in
 *   Windows-1251. Messages are Russian; each ends with "> ".
 *
 * Results
 *   Functions returning int return 1 on success and 0 on failure. On failure
 *   Vorn_Setexpr and Vorn_Evaluate write the message and a terminating zero
 *   into the caller's `message` buffer; on success they leave it untouched.
 *   No size is passed: the buffer must hold VORN_SETEXPR_MESSAGE_SIZE(strlen(text))
 *   bytes for Vorn_Setexpr (text length + 27, at least 51) and
 *   VORN_EVALUATE_MESSAGE_SIZE (17) bytes for Vorn_Evaluate.
 *
 * Expressions
 *   Operators, weakest first: || && | & == (> >= < <=) (<< >>) (+ -) (* /) ^,
 *   all grouping to the left; functions int round sin cos tan sqrt min max abs.
 *   Example: "2*(x+1)^2-sin(y)".
 */
#ifndef VORN_H
#define VORN_H

#if defined(_WIN32)
#  if defined(VORN_BUILDING)
#    define VORN_API __declspec(dllexport)
#  else
#    define VORN_API __declspec(dllimport)
#  endif
#elif defined(VORN_BUILDING)
#  define VORN_API __attribute__((visibility("default")))
#else
#  define VORN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque handle of one expression object. */
typedef struct VornExpression* ExpressionHandle;

/* Size of the message buffer that Vorn_Setexpr needs for a text of `len` bytes. */
#define VORN_SETEXPR_MESSAGE_SIZE(len) ((len) + 27 < 51 ? 51 : (len) + 27)
/* Size of the message buffer that Vorn_Evaluate needs. */
#define VORN_EVALUATE_MESSAGE_SIZE 17

/* Creates an expression object with no variables and no expression.
 * Returns its handle, or NULL when memory ran out. */
VORN_API ExpressionHandle Vorn_Create(void);

/* Destroys the object and everything it owns (not the caller's doubles).
 * A NULL handle is ignored. The handle is invalid afterwards. */
VORN_API void Vorn_Close(ExpressionHandle handle);

/* Binds `name` to the caller's double at `value`. Returns 1 when registered;
 * 0 when the name is already registered (the first binding stays), begins with
 * a digit, or memory ran out. Names are compared byte for byte, case-sensitive.
 * Register a variable before setting an expression that uses it. */
VORN_API int Vorn_AddVar(ExpressionHandle handle, const char* name, const double* value);

/* Parses `text` and makes it the current expression, replacing the previous
 * one even when parsing fails. Returns 1 on success; 0 with the reason in
 * `message` (see Results for its size). After a failure the object has no
 * expression and evaluates to 0.0. An empty text is a valid expression of 0.0. */
VORN_API int Vorn_Setexpr(ExpressionHandle handle, const char* text, char* message);

/* Evaluates the current expression with the variables' present values and
 * stores the value in *result; without an expression stores 0.0. Returns 1 on
 * success; 0 with a message (17 bytes suffice) and *result untouched. */
VORN_API int Vorn_Evaluate(ExpressionHandle handle, double* result, char* message);

#ifdef __cplusplus
}
#endif

#endif /* VORN_H */
