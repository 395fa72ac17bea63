// tarvik: the net-list import program's window on the Qt backend.
#include "list_find.h"
#include "shell.h"

int main(int argc, char* argv[]) {
    return tarvik::TarvikMain(argc, argv, UIRT_BACKEND_QT, tarvik::ExtendChainBox);
}
