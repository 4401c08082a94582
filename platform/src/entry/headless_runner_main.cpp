// A headless runner program: the program's WinMain, linked in from the entry
// library given to quorvane_add_headless_runner, run under a scenario file.
#include "platform/headless_runner.h"
#include "winapi/kernel.h"

int main(int argc, char** argv) {
    return platform::HeadlessRunnerMain(argc, argv, &WinMain);
}
