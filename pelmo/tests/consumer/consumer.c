/* Consumer of the installed library: extends a text box on the headless
 * backend, types into it and asks the history about the edit. */
#include <stdio.h>
#include <string.h>

#include <pelmo.h>
#include <uirt.h>
#include <uirt_auto.h>

static int fail(const char* what) {
    printf("failed: %s\n", what);
    return 1;
}

int main(void) {
    if (!InitUIRuntime(0, NULL, UIRT_BACKEND_HEADLESS)) return fail("InitUIRuntime");
    int panel = NewPanel(0, "consumer", 0, 0, 200, 300);
    int box = NewCtrl(panel, CTRL_TEXT_BOX, "", 10, 10);
    if (panel <= 0 || box <= 0) return fail("NewPanel/NewCtrl");
    ResetTextBox(panel, box, "int x;");
    DisplayPanel(panel);

    UndoHistory* history = ExtendTextBox(panel, box, 0, 10);
    if (history == NULL) return fail("ExtendTextBox");
    undo_Reset(history);
    if (undo_Changed(history) || undo_CanUndo(history)) return fail("a fresh history");

    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 6);
    AutoTypeText(panel, box, " y");
    char text[32] = "";
    GetCtrlVal(panel, box, text);
    if (!undo_Changed(history) || !undo_CanUndo(history) || undo_CanRedo(history))
        return fail("the history after typing");

    undo_Close(history);
    if (strcmp(text, "int x; y") != 0) return fail("the text after typing");
    puts("ok");
    return 0;
}
