// Corvane's desktop program.

#include "app/program.h"

int main(int argc, char* argv[]) { return corvane::RunProgram(argc, argv); }
