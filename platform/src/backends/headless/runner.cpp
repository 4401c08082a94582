#include <algorithm>
#include <fstream>
#include <iostream>

#include "platform/faults.h"
#include "platform/headless_runner.h"
#include "winapi/kernel.h"
#include "winapi/user.h"

namespace platform {
namespace {

constexpr std::uint32_t kDefaultStopMs = 60000;

std::string InFolder(const std::string& folder, const std::string& file) {
    if (folder.empty() || file.empty() || file[0] == '/') {
        return file;
    }
    return folder.back() == '/' ? folder + file : folder + "/" + file;
}

void SetUp(HeadlessBackend& backend, const Scenario& scenario, const std::string& outputFolder) {
    for (const Scenario::Input& input : scenario.inputs) {
        backend.Schedule(input.atMs, input.event);
    }
    for (const Scenario::Capture& capture : scenario.captures) {
        const std::string path = InFolder(outputFolder, capture.file);
        if (capture.byFrame) {
            backend.CaptureFrameTo(capture.frame, path);
        } else {
            backend.CaptureTimeTo(capture.timeMs, path);
        }
    }
    if (scenario.joystick) {
        backend.SetJoystick(0, scenario.joystick);
    }
    backend.KeepFrames(scenario.keepFrames);
    if (scenario.stopFrame) {
        backend.CloseAfterFrame(*scenario.stopFrame);
    }
    const bool noStop = !scenario.stopFrame && !scenario.stopMs;
    const std::uint32_t stopMs = scenario.stopMs ? *scenario.stopMs : kDefaultStopMs;
    if (scenario.stopMs || noStop) {
        BackendEvent close;
        close.kind = BackendEvent::Kind::Close;
        backend.Schedule(stopMs, close);
    }
    // Without a time to stop at, the frame count decides; the limit then only
    // catches a program that never gets there.
    std::uint32_t lastScripted = stopMs;
    for (const Scenario::Input& input : scenario.inputs) {
        lastScripted = std::max(lastScripted, input.atMs);
    }
    for (const Scenario::Capture& capture : scenario.captures) {
        lastScripted = std::max(lastScripted, capture.byFrame ? 0u : capture.timeMs);
    }
    backend.SetTimeLimit(lastScripted + scenario.graceMs, {});
}

void Compare(const Scenario& scenario, RunReport& report) {
    if (scenario.expectedExit && *scenario.expectedExit != report.exitCode) {
        report.problems.push_back("exit code " + std::to_string(report.exitCode) + ", expected " +
                                  std::to_string(*scenario.expectedExit));
    }
    for (std::size_t i = 0; i < scenario.expectedBoxes.size(); ++i) {
        const Scenario::ExpectedBox& expected = scenario.expectedBoxes[i];
        if (i >= report.messageBoxes.size()) {
            report.problems.push_back("message box " + std::to_string(i + 1) + " [" +
                                      expected.caption + "] " + expected.text + " was not shown");
            continue;
        }
        const MessageBoxRecord& shown = report.messageBoxes[i];
        if (shown.caption != expected.caption || shown.text != expected.text) {
            report.problems.push_back("message box " + std::to_string(i + 1) + " was [" +
                                      shown.caption + "] " + shown.text + ", expected [" +
                                      expected.caption + "] " + expected.text);
        }
    }
    if (!scenario.expectedBoxes.empty() &&
        report.messageBoxes.size() > scenario.expectedBoxes.size()) {
        report.problems.push_back(std::to_string(report.messageBoxes.size()) +
                                  " message boxes were shown, expected " +
                                  std::to_string(scenario.expectedBoxes.size()));
    }
}

} // namespace

RunReport RunScenario(const Scenario& scenario, WinMainEntry entry, const std::string& outputFolder,
                      const std::function<void(HeadlessBackend&)>& inspect) {
    HeadlessBackend backend;
    SetUp(backend, scenario, outputFolder);
    ClearFaults();
    for (const Scenario::Fault& fault : scenario.faults) {
        InjectFault(fault.operation, fault.result, fault.times);
    }
    InstallBackend(&backend);
    char commandLine[] = "";
    RunReport report;
    report.exitCode = entry(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    backend.FinishCaptures();
    InstallBackend(nullptr);
    ClearFaults();

    report.endMs = backend.NowMilliseconds();
    report.frames = backend.FramesPresented();
    report.messageBoxes = backend.MessageBoxes();
    report.captures = backend.CaptureLog();
    for (const std::string& missing : backend.MissingCaptures()) {
        report.problems.push_back("capture not written: " + missing);
    }
    if (!scenario.audioFile.empty()) {
        std::string error;
        const std::string path = InFolder(outputFolder, scenario.audioFile);
        if (!backend.AudioSampleRate()) {
            report.problems.push_back("no sound output was opened for " + path);
        } else if (!WriteWav(path, backend.CapturedAudio(), backend.AudioSampleRate(),
                             backend.AudioChannels(), error)) {
            report.problems.push_back(error);
        } else {
            report.captures.push_back("sound -> " + path);
        }
    }
    Compare(scenario, report);
    if (inspect) {
        inspect(backend);
    }
    return report;
}

void WriteRunLog(const RunReport& report, std::ostream& log) {
    for (const MessageBoxRecord& box : report.messageBoxes) {
        log << box.timeMs << " ms: message box [" << box.caption << "] " << box.text << "\n";
    }
    for (const std::string& capture : report.captures) {
        log << "captured " << capture << "\n";
    }
    log << "exit code " << report.exitCode << " at " << report.endMs << " ms after "
        << report.frames << " frames\n";
    for (const std::string& problem : report.problems) {
        log << "PROBLEM: " << problem << "\n";
    }
    log << (report.Passed() ? "passed" : "FAILED") << "\n";
}

int HeadlessRunnerMain(int argc, char** argv, WinMainEntry entry) {
    std::string outputFolder;
    std::string logFile;
    std::string scenarioFile;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc) {
            outputFolder = argv[++i];
        } else if (argument == "--log" && i + 1 < argc) {
            logFile = argv[++i];
        } else if (scenarioFile.empty() && !argument.empty() && argument[0] != '-') {
            scenarioFile = argument;
        } else {
            scenarioFile.clear();
            break;
        }
    }
    if (scenarioFile.empty()) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "runner")
                  << " [--out DIR] [--log FILE] SCENARIO\n";
        return 2;
    }
    Scenario scenario;
    std::string error;
    if (!LoadScenario(scenarioFile, scenario, error)) {
        std::cerr << error << "\n";
        return 2;
    }
    const RunReport report = RunScenario(scenario, entry, outputFolder);
    if (logFile.empty()) {
        std::cout << "scenario " << scenarioFile << "\n";
        WriteRunLog(report, std::cout);
    } else {
        std::ofstream log(logFile);
        log << "scenario " << scenarioFile << "\n";
        WriteRunLog(report, log);
        if (!log) {
            std::cerr << "cannot write " << logFile << "\n";
            return 2;
        }
    }
    return report.Passed() ? 0 : 1;
}

} // namespace platform
