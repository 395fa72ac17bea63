/* Consumer of the installed library: evaluates x*2 for x = 3 and 4. */
#include <stdio.h>

#include <vorn.h>

int main(void) {
    char message[VORN_SETEXPR_MESSAGE_SIZE(3)];
    double x = 3.0, first = 0.0, second = 0.0;
    ExpressionHandle e = Vorn_Create();
    if (e == NULL || !Vorn_AddVar(e, "x", &x) || !Vorn_Setexpr(e, "x*2", message)) return 1;
    if (!Vorn_Evaluate(e, &first, message)) return 1;
    x = 4.0;
    if (!Vorn_Evaluate(e, &second, message)) return 1;
    Vorn_Close(e);
    printf("%g %g\n", first, second);
    return first == 6.0 && second == 8.0 ? 0 : 1;
}
