#include "app/Startup.h"

int main(int argc, char** argv) { RunProgram(argc - 1, argv + 1); }
