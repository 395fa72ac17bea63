/* A plain C program using libvorn: set an expression once, evaluate it for
 * several values of its variables, and show how a parse error is reported.
 * Exits non-zero if any value differs from the same formula computed in C. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "vorn.h"

int main(void) {
    const char* text = "2*(x+1)^2-sin(y)";
    char message[VORN_SETEXPR_MESSAGE_SIZE(64)];
    double x = 0.0, y = 0.5, value = 0.0;
    int failures = 0;
    ExpressionHandle e = Vorn_Create();
    if (e == NULL) return 1;

    Vorn_AddVar(e, "x", &x);
    Vorn_AddVar(e, "y", &y);
    if (!Vorn_Setexpr(e, text, message)) {
        printf("unexpected error: %s\n", message);
        Vorn_Close(e);
        return 1;
    }
    for (x = 0.0; x < 3.5; x += 1.0) {
        if (!Vorn_Evaluate(e, &value, message)) return 1;
        printf("x=%g y=%g  %s = %.17g\n", x, y, text, value);
        if (value != 2 * pow(x + 1, 2) - sin(y)) ++failures;
    }

    /* An unclosed bracket: the message is Windows-1251 text ending in "> ". */
    if (Vorn_Setexpr(e, "(1+2", message) != 0) ++failures;
    printf("\"(1+2\" is refused with a message of %u bytes\n", (unsigned)strlen(message));
    if (strlen(message) != 24) ++failures;
    /* Without an expression the value is 0. */
    if (!Vorn_Evaluate(e, &value, message) || value != 0.0) ++failures;

    Vorn_Close(e);
    printf("%s\n", failures == 0 ? "ok" : "FAILED");
    return failures == 0 ? 0 : 1;
}
