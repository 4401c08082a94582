// Polling the controls: the ten keys and buttons the game reads, and the
// joystick sampler kept beside them.
#include "app/game_app.h"

namespace {

struct KeyBit {
    int virtualKey;
    InputBits bit;
};

constexpr KeyBit INPUT_KEYS[] = {
    {VK_LEFT, INPUT_LEFT},
    {VK_RIGHT, INPUT_RIGHT},
    {VK_UP, INPUT_UP},
    {VK_DOWN, INPUT_DOWN},
    {'Z', INPUT_Z},
    {'X', INPUT_X},
    {VK_LBUTTON, INPUT_LBUTTON},
    {VK_RBUTTON, INPUT_RBUTTON},
    {VK_SPACE, INPUT_SPACE},
    {VK_RETURN, INPUT_ENTER},
};

constexpr unsigned KEY_DOWN_BIT = 0x8000;

// Joystick positions run 0 to 65535; the middle band is the dead zone.
constexpr DWORD JOYSTICK_LOW = 4096;
constexpr DWORD JOYSTICK_HIGH = 61440;

} // namespace

JoystickSampler joystickSampler;

InputBits GameApp::SampleInput() {
    InputBits bits = 0;
    for (const KeyBit& key : INPUT_KEYS) {
        if ((static_cast<unsigned>(GetAsyncKeyState(key.virtualKey)) & KEY_DOWN_BIT) != 0) {
            bits |= key.bit;
        }
    }
    return bits;
}

DWORD GameApp::SampleJoystick() {
    JOYINFOEX& joystickInfo = joystickSampler.info;
    if (!joystickSampler.polled) {
        joystickSampler.polled = true;
        joystickSampler.present = joyGetPosEx(JOYSTICKID1, &joystickInfo) == JOYERR_NOERROR;
    }
    if (!joystickSampler.present) {
        return 0xFFFFFFFFu;
    }
    joyGetPosEx(JOYSTICKID1, &joystickInfo);
    DWORD bits = 0;
    if (joystickInfo.dwXpos < JOYSTICK_LOW) {
        bits |= INPUT_LEFT;
    }
    if (joystickInfo.dwXpos > JOYSTICK_HIGH) {
        bits |= INPUT_RIGHT;
    }
    if (joystickInfo.dwYpos < JOYSTICK_LOW) {
        bits |= INPUT_UP;
    }
    if (joystickInfo.dwYpos > JOYSTICK_HIGH) {
        bits |= INPUT_DOWN;
    }
    if ((joystickInfo.dwButtons & JOY_BUTTON1) != 0) {
        bits |= INPUT_Z;
    }
    if ((joystickInfo.dwButtons & JOY_BUTTON2) != 0) {
        bits |= INPUT_X;
    }
    return bits;
}
