#include "backends/web/page_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "winapi/user.h"

namespace platform::web {

FramePlacement PlaceFrame(double viewWidth, double viewHeight, int frameWidth, int frameHeight) {
    FramePlacement placement;
    if (frameWidth <= 0 || frameHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) {
        return placement;
    }
    const double fit = std::min(viewWidth / frameWidth, viewHeight / frameHeight);
    placement.scale = fit >= 1 ? std::floor(fit) : fit;
    placement.left = std::floor((viewWidth - frameWidth * placement.scale) / 2);
    placement.top = std::floor((viewHeight - frameHeight * placement.scale) / 2);
    return placement;
}

void FramePointOf(const FramePlacement& placement, double x, double y, int frameWidth,
                  int frameHeight, int& frameX, int& frameY) {
    auto axis = [&](double at, double origin, int size) {
        const double pixel = std::floor((at - origin) / placement.scale);
        return static_cast<int>(std::clamp(pixel, 0.0, static_cast<double>(size - 1)));
    };
    frameX = axis(x, placement.left, frameWidth);
    frameY = axis(y, placement.top, frameHeight);
}

int VirtualKeyOfCode(std::string_view code) {
    if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z') {
        return code[3];
    }
    if (code.size() == 6 && code.starts_with("Digit") && code[5] >= '0' && code[5] <= '9') {
        return code[5];
    }
    if (code.size() == 7 && code.starts_with("Numpad") && code[6] >= '0' && code[6] <= '9') {
        return 0x60 + (code[6] - '0'); // VK_NUMPAD0..9
    }
    if (code.size() >= 2 && code[0] == 'F' && code.size() <= 3) {
        int number = 0;
        for (const char c : code.substr(1)) {
            if (c < '0' || c > '9') {
                return 0;
            }
            number = number * 10 + (c - '0');
        }
        return number >= 1 && number <= 24 ? VK_F1 + number - 1 : 0;
    }
    static constexpr std::pair<std::string_view, int> named[] = {
        {"Escape", VK_ESCAPE},
        {"Enter", VK_RETURN},
        {"NumpadEnter", VK_RETURN},
        {"Space", VK_SPACE},
        {"Tab", VK_TAB},
        {"Backspace", VK_BACK},
        {"ArrowLeft", VK_LEFT},
        {"ArrowRight", VK_RIGHT},
        {"ArrowUp", VK_UP},
        {"ArrowDown", VK_DOWN},
        {"ShiftLeft", VK_SHIFT},
        {"ShiftRight", VK_SHIFT},
        {"ControlLeft", VK_CONTROL},
        {"ControlRight", VK_CONTROL},
        {"AltLeft", VK_MENU},
        {"AltRight", VK_MENU},
        {"Pause", VK_PAUSE},
        {"PageUp", VK_PRIOR},
        {"PageDown", VK_NEXT},
        {"End", VK_END},
        {"Home", VK_HOME},
        {"Insert", VK_INSERT},
        {"Delete", VK_DELETE},
    };
    for (const auto& [name, key] : named) {
        if (code == name) {
            return key;
        }
    }
    return 0;
}

} // namespace platform::web
