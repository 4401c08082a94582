// Runs a Windows-style program (its WinMain) on the headless backend under a
// scenario, and reports what happened.
//
// Scenario files are plain text, one directive a line; '#' starts a comment.
// Times are virtual milliseconds from the start (the clock starts at 0).
// Keys are Windows virtual-key names (ESCAPE, F12, LEFT, RETURN, SPACE, Z,
// 7, LBUTTON, ...; "VK_" may precede them) or numbers (decimal or 0x hex).
//
//   at <ms> keydown <key>             key pressed
//   at <ms> keyup <key>               key released
//   at <ms> press <key> [<hold ms>]   pressed, and released <hold> ms later (50)
//   at <ms> buttondown left|right [<x> <y>]   mouse button (pointer at x, y)
//   at <ms> buttonup left|right [<x> <y>]
//   at <ms> mousemove <x> <y>
//   at <ms> deactivate | activate     the application loses or regains focus
//   at <ms> close                     the player closes the window
//   joystick <x> <y> <buttons>        joystick 1 plugged in with this state
//   capture frame <n> <file.png>      the n-th presented frame (from 1)
//   capture ms <t> <file.png>         the screen at virtual time t
//   keep frames <n>                   frames kept in memory (default 2)
//   fault <Operation> <result> [<times>]   the operation fails with result
//                                     (hex 0x... or decimal, may be
//                                     negative), every time or <times> times;
//                                     a function by its name (CreateFileA),
//                                     a COM method with its interface
//                                     (IDirectSoundBuffer::Lock)
//   audio <file.wav>                  writes the sound played to this file
//   stop frame <n>                    close request after the n-th frame
//   stop ms <t>                       close request at time t (default 60000
//                                     when neither stop is given)
//   grace <ms>                        how long after the stop the program may
//                                     take to end (default 10000)
//   expect exit <code>                the exit code the run must give
//   expect messagebox "<caption>" "<text>"   the next message box shown
//
// Frames are counted by Backend::Present calls, from 1. Output files are
// written relative to the run's output folder. One run per process: the
// window classes and windows a program leaves behind stay registered.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "winapi/types.h"

namespace platform {

using WinMainEntry = int (*)(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                             int showCommand);

struct Scenario {
    struct Input {
        std::uint32_t atMs;
        BackendEvent event;
    };
    struct Capture {
        bool byFrame;
        std::uint64_t frame;
        std::uint32_t timeMs;
        std::string file;
    };
    struct Fault {
        std::string operation;
        std::int64_t result;
        int times; // -1: every call
    };
    struct ExpectedBox {
        std::string caption; // UTF-8
        std::string text;
    };
    std::vector<Input> inputs;
    std::vector<Capture> captures;
    std::vector<Fault> faults;
    std::optional<JoystickState> joystick;
    std::size_t keepFrames = 2;
    std::string audioFile;
    std::optional<std::uint64_t> stopFrame;
    std::optional<std::uint32_t> stopMs;
    std::uint32_t graceMs = 10000;
    std::optional<int> expectedExit;
    std::vector<ExpectedBox> expectedBoxes;
};

// Parses scenario text; on an error returns false with "line N: ..." in error.
bool ParseScenario(std::string_view text, Scenario& out, std::string& error);
bool LoadScenario(const std::string& path, Scenario& out, std::string& error);
// A virtual-key name or number as scenarios write them; nullopt if unknown.
std::optional<int> ParseVirtualKey(std::string_view name);

struct RunReport {
    int exitCode = 0;
    std::uint32_t endMs = 0;
    std::uint64_t frames = 0;
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<std::string> captures; // one line per capture written
    // Everything that did not go as the scenario asked: captures not written,
    // an unexpected exit code or message box. Empty when the run passed.
    std::vector<std::string> problems;
    bool Passed() const { return problems.empty(); }
};

// Runs `entry` on a fresh HeadlessBackend set up from the scenario (the
// backend is installed for the run and the faults injected, both undone
// afterwards), writing captures into `outputFolder`. If given, `inspect` sees
// the backend after the program returned.
RunReport RunScenario(const Scenario& scenario, WinMainEntry entry, const std::string& outputFolder,
                      const std::function<void(HeadlessBackend&)>& inspect = {});

// Writes a readable account of a run.
void WriteRunLog(const RunReport& report, std::ostream& log);

// The runner program: quorvane_headless_runner [--out DIR] [--log FILE]
// SCENARIO. Prints the log (to FILE or standard output) and returns 0 when
// the run passed, 1 when it did not, 2 for a bad command line or scenario.
int HeadlessRunnerMain(int argc, char** argv, WinMainEntry entry);

} // namespace platform
