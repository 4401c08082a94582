// The paced test program as a Windows program of its own, for the runner
// program and the process entry to run.
#include "paced_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    return paced::Program(instance, previous, commandLine, showCommand);
}
