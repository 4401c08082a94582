// Palette fades: on an 8-bit display a fade changes the palette, not the
// pixels. Each fade steps a working palette of its own towards its goal, by
// `step` per channel per call, and sends the range to the display when
// something moved. The working palettes live for the whole process.
#include "gfx/palette_fade.h"

#include "gfx/graphics_device.h"

namespace {

constexpr PALETTEENTRY LOW_STATIC_COLOURS[10] = {
    {0, 0, 0, 0},     {128, 0, 0, 0},   {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
};
constexpr PALETTEENTRY HIGH_STATIC_COLOURS[10] = {
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},
    {0, 255, 0, 0},     {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},
    {0, 255, 255, 0},   {255, 255, 255, 0},
};

enum class Fade { ToBlack, FromWhite, FromBlack, ToWhite };

PALETTEENTRY workingToBlack[256];
PALETTEENTRY workingFromWhite[256];
PALETTEENTRY workingFromBlack[256];
PALETTEENTRY workingToWhite[256];

void WriteStaticColours(PALETTEENTRY* working) {
    for (int i = 0; i < 256; ++i) {
        if (IsStaticEntry(i)) {
            working[i] = StaticColour(i);
        }
    }
}

void StartFade(Fade fade, PALETTEENTRY* working, const PALETTEENTRY* target, int first, int end) {
    for (int i = first; i < end; ++i) {
        switch (fade) {
        case Fade::ToBlack:
        case Fade::ToWhite:
            working[i] = target[i];
            break;
        case Fade::FromWhite:
            working[i] = PALETTEENTRY{255, 255, 255, 0};
            break;
        case Fade::FromBlack:
            working[i] = PALETTEENTRY{0, 0, 0, 0};
            break;
        }
    }
    if (fade == Fade::FromWhite || fade == Fade::FromBlack) {
        WriteStaticColours(working);
    }
}

// Moves one channel a step towards its goal; true when it moved.
bool StepChannel(Fade fade, BYTE& channel, BYTE target, int step) {
    const int c = channel;
    int next = c;
    switch (fade) {
    case Fade::ToBlack:
        next = c - step < 0 ? 0 : c - step;
        break;
    case Fade::ToWhite:
        next = c + step > 255 ? 255 : c + step;
        break;
    case Fade::FromWhite:
        if (c != target) {
            next = c - step < target ? target : c - step;
        }
        break;
    case Fade::FromBlack:
        if (c != target) {
            next = c + step > target ? target : c + step;
        }
        break;
    }
    channel = static_cast<BYTE>(next);
    return next != c;
}

int StepFade(Fade fade, PALETTEENTRY* working, const PALETTEENTRY* target,
             IDirectDrawPalette* display, DWORD* state, BYTE step, int first, int count) {
    // A negative start or count would step entries outside the palette, so
    // they are refused like a range that ends past entry 255.
    const int end = first + count;
    if (step == 0 || end > 256 || first < 0 || count < 0) {
        return 0;
    }
    if (*state == 0) {
        *state = 1;
        StartFade(fade, working, target, first, end);
    }
    bool changed = false;
    for (int i = first; i < end; ++i) {
        if (IsStaticEntry(i)) {
            continue;
        }
        changed |= StepChannel(fade, working[i].peRed, target[i].peRed, step);
        changed |= StepChannel(fade, working[i].peGreen, target[i].peGreen, step);
        changed |= StepChannel(fade, working[i].peBlue, target[i].peBlue, step);
    }
    if (!changed) {
        *state = 0;
        return 0;
    }
    if (display != nullptr) {
        display->SetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(count),
                            &working[first]);
    }
    return 1;
}

BYTE RampChannel(unsigned from, unsigned to, unsigned k, unsigned steps) {
    if (from < to) {
        return static_cast<BYTE>(from + (to - from) * k / (steps - 1));
    }
    return static_cast<BYTE>(from - (from - to) * k / (steps - 1));
}

} // namespace

PALETTEENTRY StaticColour(int index) {
    return index < FIRST_FREE_ENTRY ? LOW_STATIC_COLOURS[index]
                                    : HIGH_STATIC_COLOURS[index - (LAST_FREE_ENTRY + 1)];
}

int GraphicsDevice::FadeToBlack(DWORD* state, BYTE step, int first, int count) {
    return StepFade(Fade::ToBlack, workingToBlack, paletteEntries, palette, state, step, first,
                    count);
}

int GraphicsDevice::FadeFromWhite(DWORD* state, BYTE step, int first, int count) {
    return StepFade(Fade::FromWhite, workingFromWhite, paletteEntries, palette, state, step, first,
                    count);
}

int GraphicsDevice::FadeFromBlack(DWORD* state, BYTE step, int first, int count) {
    return StepFade(Fade::FromBlack, workingFromBlack, paletteEntries, palette, state, step, first,
                    count);
}

int GraphicsDevice::FadeToWhite(DWORD* state, BYTE step, int first, int count) {
    return StepFade(Fade::ToWhite, workingToWhite, paletteEntries, palette, state, step, first,
                    count);
}

namespace {

// The ramps' shared stepping: refuses fewer than two steps or a static
// entry, shows step k's colour and returns 1 while steps remain, then ends.
template <typename ColourOfStep>
int StepRamp(IDirectDrawPalette* display, DWORD* running, DWORD* counter, int index, UINT steps,
             ColourOfStep colourOfStep) {
    if (steps < 2 || IsStaticEntry(index)) {
        return 0;
    }
    if (*running == 0) {
        *running = 1;
        *counter = 0;
    }
    if (*counter >= steps) {
        *running = 0;
        return 0;
    }
    const unsigned k = (*counter)++;
    const COLORREF colour = colourOfStep(k);
    PALETTEENTRY entry{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    if (display != nullptr) {
        display->SetEntries(0, static_cast<DWORD>(index), 1, &entry);
    }
    return 1;
}

} // namespace

int GraphicsDevice::RampPaletteEntry(DWORD* running, DWORD* counter, int index, UINT steps,
                                     COLORREF from, COLORREF to) {
    return StepRamp(palette, running, counter, index, steps, [&](unsigned k) {
        return RGB(RampChannel(GetRValue(from), GetRValue(to), k, steps),
                   RampChannel(GetGValue(from), GetGValue(to), k, steps),
                   RampChannel(GetBValue(from), GetBValue(to), k, steps));
    });
}

int GraphicsDevice::RampPaletteEntryMulti(DWORD* running, DWORD* counter, int index, UINT steps,
                                          const Vector3& from, const Vector3& to,
                                          std::int32_t direction) {
    return StepRamp(palette, running, counter, index, steps, [&](unsigned k) {
        return static_cast<COLORREF>(HsvRampRgb(steps, k, from, to, direction));
    });
}
