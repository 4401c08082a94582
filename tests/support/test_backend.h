// The one base of the tests' and benchmarks' own backends. It installs itself
// for its lifetime and keeps a virtual millisecond clock that only the test,
// Sleep and WaitUntil move; it takes the audio output without pulling from it
// and answers message boxes with OK, keeping their texts. A test derives from
// it and overrides only what it needs to see or do differently.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend.h"

class TestBackend : public platform::Backend {
public:
    explicit TestBackend(std::uint32_t startMs = 0) : now(startMs) {
        platform::InstallBackend(this);
    }
    ~TestBackend() override { platform::InstallBackend(nullptr); }

    std::uint32_t NowMilliseconds() override { return now; }
    void WaitUntil(std::uint32_t deadlineMs) override {
        if (static_cast<std::int32_t>(deadlineMs - now) > 0) {
            now = deadlineMs;
        }
    }
    void Sleep(std::uint32_t ms) override { now += ms; }

    bool OpenAudio(std::uint32_t, std::uint32_t, platform::AudioSource* source) override {
        audio = source;
        return true;
    }
    void CloseAudio() override { audio = nullptr; }

    int ShowMessageBox(const std::string&, const std::string& textUtf8, unsigned) override {
        std::lock_guard<std::mutex> hold(boxesLock);
        boxes.push_back(textUtf8);
        return 1; // IDOK
    }
    std::vector<std::string> Boxes() const {
        std::lock_guard<std::mutex> hold(boxesLock);
        return boxes;
    }

    std::atomic<std::uint32_t> now;
    std::atomic<platform::AudioSource*> audio{nullptr};

private:
    mutable std::mutex boxesLock;
    std::vector<std::string> boxes;
};
