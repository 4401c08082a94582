// Test helpers for the software drawing: a pixel view over memory the test
// owns (with spare bytes at the end of every row, which must stay
// untouched), drawings compared as text pictures, and a backend whose Sleep
// moves a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "winapi.h"

// A width x height 8-bit view whose rows are `pitch` bytes apart; the bytes
// past the width of each row are padding.
class Canvas {
public:
    static constexpr BYTE PADDING = 0xEE;

    Canvas(int width, int height, BYTE background = 0, int spare = 3)
        : width(width), height(height), pitch(width + spare),
          memory(static_cast<std::size_t>(pitch) * height, PADDING) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                (*this)(x, y) = background;
            }
        }
        view.dwSize = sizeof view;
        view.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE;
        view.dwWidth = static_cast<DWORD>(width);
        view.dwHeight = static_cast<DWORD>(height);
        view.lPitch = pitch;
        view.lpSurface = memory.data();
    }

    BYTE& operator()(int x, int y) { return memory.at(static_cast<std::size_t>(y) * pitch + x); }

    // The pixels as text, one string per row: '.' for `background`, the
    // character `legend` gives for other indices, '?' for unlisted ones.
    std::vector<std::string> Picture(BYTE background, const std::string& legend) const {
        std::vector<std::string> rows;
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x) {
                const BYTE value = memory[static_cast<std::size_t>(y) * pitch + x];
                row += value == background ? '.' : Symbol(value, legend);
            }
            rows.push_back(row);
        }
        return rows;
    }

    bool PaddingUntouched() const {
        for (int y = 0; y < height; ++y) {
            for (int x = width; x < pitch; ++x) {
                if (memory[static_cast<std::size_t>(y) * pitch + x] != PADDING) {
                    return false;
                }
            }
        }
        return true;
    }

    const int width;
    const int height;
    const int pitch;
    std::vector<BYTE> memory;
    DDSURFACEDESC view{};

private:
    // `legend` pairs a character with an index: "a1b2" means index 1 is
    // shown as 'a', 2 as 'b' (index as a single digit), or use Legend().
    static char Symbol(BYTE value, const std::string& legend) {
        for (std::size_t i = 0; i + 1 < legend.size(); i += 2) {
            if (static_cast<BYTE>(legend[i + 1]) == value) {
                return legend[i];
            }
        }
        return '?';
    }
};

// Builds a legend from (character, index) pairs.
inline std::string Legend(std::initializer_list<std::pair<char, BYTE>> entries) {
    std::string legend;
    for (const auto& [symbol, index] : entries) {
        legend += symbol;
        legend += static_cast<char>(index);
    }
    return legend;
}

// A picture written on one line, its rows separated by spaces.
inline std::vector<std::string> Rows(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> rows;
    for (std::string row; in >> row;) {
        rows.push_back(row);
    }
    return rows;
}

// A backend on a virtual clock that records every Sleep and can look at the
// drawing at the moment of each wait.
class VirtualSleep final : public platform::Backend {
public:
    VirtualSleep() { platform::InstallBackend(this); }
    ~VirtualSleep() override { platform::InstallBackend(nullptr); }
    VirtualSleep(const VirtualSleep&) = delete;
    VirtualSleep& operator=(const VirtualSleep&) = delete;

    std::uint32_t NowMilliseconds() override { return now; }
    void Sleep(std::uint32_t ms) override {
        waits.push_back(ms);
        now += ms;
        if (onSleep) {
            onSleep();
        }
    }

    std::uint32_t now = 0;
    std::vector<std::uint32_t> waits;
    std::function<void()> onSleep;
};
