// A MIDI sequencer in the place of the machine's ALSA one while it lives: one
// external output port described as ALSA's are (one channel group, no
// effects) and one input port, and a record of what the opened output was
// sent and whether it is active.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/music_port.h"

class FakeSequencer final : public platform::audio::Sequencer {
public:
    static constexpr GUID kOutput = {0x5E0C0001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    static constexpr GUID kInput = {0x5E0C0002, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

    // What the opened output port heard: each message as its bytes.
    struct Wire {
        std::mutex lock;
        bool active = false;
        std::vector<std::vector<std::uint8_t>> messages;
    };

    FakeSequencer() { platform::audio::ReplaceSequencer(this); }
    ~FakeSequencer() override { platform::audio::ReplaceSequencer(nullptr); }

    void AppendPorts(std::vector<platform::audio::PortEntry>& ports) override {
        for (const DWORD portClass : {DMUS_PC_OUTPUTCLASS, DMUS_PC_INPUTCLASS}) {
            platform::audio::PortEntry entry;
            entry.caps.dwSize = sizeof entry.caps;
            entry.caps.dwFlags = DMUS_PC_EXTERNAL;
            entry.caps.guidPort = portClass == DMUS_PC_OUTPUTCLASS ? kOutput : kInput;
            entry.caps.dwClass = portClass;
            entry.caps.dwMaxChannelGroups = 1;
            entry.sequencerClient = 20;
            entry.sequencerPort = 0;
            ports.push_back(entry);
        }
    }

    std::unique_ptr<platform::audio::MusicPortDriver> OpenPort(int client, int port) override {
        return client == 20 && port == 0 ? std::make_unique<Driver>(wire) : nullptr;
    }

    std::vector<std::vector<std::uint8_t>> Heard() {
        std::lock_guard<std::mutex> hold(wire->lock);
        return wire->messages;
    }
    bool Active() {
        std::lock_guard<std::mutex> hold(wire->lock);
        return wire->active;
    }

private:
    class Driver final : public platform::audio::MusicPortDriver {
    public:
        explicit Driver(std::shared_ptr<Wire> wire) : wire(std::move(wire)) {}
        bool Activate(bool on) override {
            std::lock_guard<std::mutex> hold(wire->lock);
            wire->active = on;
            return true;
        }
        void ShortMessage(std::uint32_t, std::uint8_t status, std::uint8_t data1,
                          std::uint8_t data2) override {
            std::lock_guard<std::mutex> hold(wire->lock);
            wire->messages.push_back({status, data1, data2});
        }
        void SystemExclusive(std::uint32_t, const std::uint8_t* data, std::size_t length) override {
            std::lock_guard<std::mutex> hold(wire->lock);
            wire->messages.emplace_back(data, data + length);
        }
        void AllNotesOff() override {}

    private:
        std::shared_ptr<Wire> wire;
    };

    std::shared_ptr<Wire> wire = std::make_shared<Wire>();
};
