// The process entry on Linux: picks the backend, then calls the program's
// WinMain as Windows would, with the executable's instance handle, no
// previous instance, the command line after the program name and
// SW_SHOWDEFAULT.
//
// QUORVANE_SCENARIO=<file> runs the program headless under that scenario
// (see platform/headless_runner.h), writing its captures to
// QUORVANE_OUTPUT (default: the current folder). Otherwise QUORVANE_BACKEND
// names the backend: "sdl" (the default) opens a real window, full screen,
// with the keyboard, mouse, joystick and sound device, and falls back to
// "system" when there is no display to open it on; "system" is the
// operating system's own, which has a clock and turns SIGINT and SIGTERM into
// a close request, and nothing else.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/headless_runner.h"
#include "platform/sdl_backend.h"
#include "platform/system_backend.h"
#include "winapi/kernel.h"
#include "winapi/user.h"

namespace {

std::string CommandLineAfterProgramName(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += ' ';
        }
        line += argv[i];
    }
    return line;
}

int RunWithSystemBackend(int argc, char** argv) {
    platform::RouteTerminationSignalsToClose();
    std::string commandLine = CommandLineAfterProgramName(argc, argv);
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}

int RunWithSdlBackend(int argc, char** argv) {
    std::string error;
    std::unique_ptr<platform::Backend> backend = platform::OpenSdlBackend(error);
    if (!backend) {
        std::fprintf(stderr,
                     "quorvane: no window: %s\n"
                     "quorvane: running without display, keyboard or sound instead\n",
                     error.c_str());
        return RunWithSystemBackend(argc, argv);
    }
    platform::InstallBackend(backend.get());
    const int result = RunWithSystemBackend(argc, argv);
    platform::InstallBackend(nullptr);
    return result;
}

struct BackendChoice {
    const char* name;
    int (*run)(int argc, char** argv);
};

const BackendChoice backends[] = {
    {"sdl", RunWithSdlBackend},
    {"system", RunWithSystemBackend},
};

} // namespace

int main(int argc, char** argv) {
    if (const char* scenario = std::getenv("QUORVANE_SCENARIO"); scenario && *scenario) {
        const char* output = std::getenv("QUORVANE_OUTPUT");
        std::string program = argc > 0 ? argv[0] : "quorvane";
        std::string outFlag = "--out";
        std::string outFolder = output ? output : "";
        std::string scenarioPath = scenario;
        char* runnerArgs[] = {program.data(), outFlag.data(), outFolder.data(),
                              scenarioPath.data()};
        return platform::HeadlessRunnerMain(4, runnerArgs, &WinMain);
    }
    const char* wanted = std::getenv("QUORVANE_BACKEND");
    if (!wanted || !*wanted) {
        wanted = backends[0].name;
    }
    for (const BackendChoice& choice : backends) {
        if (std::strcmp(choice.name, wanted) == 0) {
            return choice.run(argc, argv);
        }
    }
    std::fprintf(stderr, "unknown backend '%s' in QUORVANE_BACKEND (known:", wanted);
    for (const BackendChoice& choice : backends) {
        std::fprintf(stderr, " %s", choice.name);
    }
    std::fprintf(stderr, "; QUORVANE_SCENARIO=<file> runs headless)\n");
    return 2;
}
