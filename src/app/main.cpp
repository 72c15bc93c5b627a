// The program's entry point.
#include "app/shell.h"

int main(int argc, char** argv) {
    return velloran::RunVelloran(argc, argv);
}
