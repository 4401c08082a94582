// Pixels the software drawing can be seen through: a view over memory the
// test owns, with spare bytes past every row that must stay untouched, and
// drawings compared as text pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/test_backend.h"
#include "winapi.h"

using Picture = std::vector<std::string>;

// A picture written on one line, its rows separated by spaces.
inline Picture Rows(const std::string& text) {
    std::istringstream in(text);
    Picture rows;
    for (std::string row; in >> row;) {
        rows.push_back(row);
    }
    return rows;
}

// How each palette index shows in a picture: '.' for 0, 'a', 'b', ... for 1,
// 2, ... up to `letters`, the given characters for the given indices, '?'
// for any other.
inline std::string Legend(std::initializer_list<std::pair<char, BYTE>> entries, int letters = 0) {
    std::string symbols(256, '?');
    symbols[0] = '.';
    for (int i = 1; i <= letters; ++i) {
        symbols[i] = static_cast<char>('a' + i - 1);
    }
    for (const auto& [symbol, index] : entries) {
        symbols[index] = symbol;
    }
    return symbols;
}

class Canvas {
public:
    static constexpr BYTE PADDING = 0xEE;

    Canvas(int width, int height, int spare = 3)
        : width(width), height(height), pitch(width + spare),
          memory(static_cast<std::size_t>(pitch) * height, PADDING) {
        for (int y = 0; y < height; ++y) {
            std::fill_n(&(*this)(0, y), width, 0);
        }
        view.dwSize = sizeof view;
        view.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE;
        view.dwWidth = static_cast<DWORD>(width);
        view.dwHeight = static_cast<DWORD>(height);
        view.lPitch = pitch;
        view.lpSurface = memory.data();
    }

    BYTE& operator()(int x, int y) { return memory.at(static_cast<std::size_t>(y) * pitch + x); }

    // The pixels as text; nothing may have been written past the rows.
    Picture Drawn(const std::string& legend) {
        EXPECT_TRUE(PaddingUntouched());
        Picture rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                rows[y] += legend[(*this)(x, y)];
            }
        }
        return rows;
    }

    bool PaddingUntouched() {
        long untouched = 0;
        for (int y = 0; y < height; ++y) {
            untouched += std::count(&(*this)(0, y) + width, &(*this)(0, y) + pitch, PADDING);
        }
        return untouched == long{pitch - width} * height;
    }

    const int width, height, pitch;
    std::vector<BYTE> memory;
    DDSURFACEDESC view{};
};

// A virtual clock that keeps every Sleep and can look at the drawing at the
// moment of each wait.
class SleepLog final : public TestBackend {
public:
    void Sleep(std::uint32_t ms) override {
        TestBackend::Sleep(ms);
        waits.push_back(ms);
        if (onSleep) {
            onSleep();
        }
    }

    std::vector<std::uint32_t> waits;
    std::function<void()> onSleep;
};
