// Test helper for the end-to-end run of the game in an X server.
//
//   screen_probe play <shot.png>                 checks a play screen
//   screen_probe placed <shot.png> <frame.png>   checks that the screen shows
//                                                the headless title frame,
//                                                scaled and centred
//   screen_probe wm                              is a window manager running?
//   screen_probe audio <capture.raw> <tune.wav>  checks the sound captured
//
// Exits 0 when the picture or sound is as expected, 1 otherwise (saying
// what differed), 2 on bad use or unreadable files.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // 3 bytes a pixel, top row first
};

bool ReadPng(const char* path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path)) {
        std::fprintf(stderr, "screen_probe: cannot read %s: %s\n", path, png.message);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "screen_probe: cannot read %s: %s\n", path, png.message);
        return false;
    }
    return true;
}

// The game's 640 x 480 picture as the window shows it on this screen:
// scaled by the largest whole factor that fits, centred.
struct Placement {
    int factor;
    int left;
    int top;
};

Placement PlaceOn(const Image& image) {
    const int factor = std::max(1, std::min(image.width / 640, image.height / 480));
    return Placement{factor, (image.width - 640 * factor) / 2, (image.height - 480 * factor) / 2};
}

struct Rgb {
    int r, g, b;
};

// The screen colour at the centre of game pixel (x, y).
Rgb GamePixel(const Image& image, const Placement& placed, int x, int y) {
    const int sx = placed.left + x * placed.factor + placed.factor / 2;
    const int sy = placed.top + y * placed.factor + placed.factor / 2;
    const unsigned char* p = &image.rgb[(static_cast<std::size_t>(sy) * image.width + sx) * 3];
    return Rgb{p[0], p[1], p[2]};
}

bool Near(const Rgb& c, const Rgb& want, int tolerance) {
    return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
           std::abs(c.b - want.b) <= tolerance;
}

// Game pixels in [x0, x1) x [y0, y1) that pass `test`.
template <typename Test> int Count(const Image& image, int x0, int y0, int x1, int y1, Test test) {
    const Placement placed = PlaceOn(image);
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            count += test(GamePixel(image, placed, x, y)) ? 1 : 0;
        }
    }
    return count;
}

// Colours of the title screen and the HUD.
constexpr Rgb kTitleBlue{64, 160, 250};
constexpr Rgb kHudLetterPink{255, 64, 128};

int TitleTextPixels(const Image& image) {
    return Count(image, 100, 95, 540, 200, [](Rgb c) { return Near(c, kTitleBlue, 40); });
}

struct Check {
    const char* what;
    int found;
    int atLeast;
    int atMost;
};

int Report(const char* path, const std::vector<Check>& checks) {
    bool ok = true;
    for (const Check& check : checks) {
        const bool pass = check.found >= check.atLeast && check.found <= check.atMost;
        std::printf("%s: %s: %d (want %d to %d) %s\n", path, check.what, check.found, check.atLeast,
                    check.atMost, pass ? "ok" : "WRONG");
        ok = ok && pass;
    }
    return ok ? 0 : 1;
}

constexpr int kAny = 640 * 480;

int CheckPlay(const char* path) {
    Image image;
    if (!ReadPng(path, image)) {
        return 2;
    }
    const int hud =
        Count(image, 495, 0, 640, 260, [](Rgb c) { return Near(c, kHudLetterPink, 50); });
    const int sun = Count(image, 295, 215, 345, 265, [](Rgb c) { return c.r > 240 && c.g > 170; });
    // Once the start-of-play fade is over the sky is dark again.
    const int sky =
        Count(image, 20, 100, 300, 400, [](Rgb c) { return c.r < 70 && c.g < 70 && c.b < 90; });
    return Report(path, {{"HUD caption pixels", hud, 400, kAny},
                         {"dark sky pixels (fade over)", sky, 280 * 300 * 7 / 10, kAny},
                         {"bright sun pixels near the centre", sun, 30, kAny},
                         {"title text pixels (gone)", TitleTextPixels(image), 0, 100}});
}

// Game pixels where a title frame of the running game may differ from the
// headless one of a moment before: the frame-rate text (the real clock
// counts what it counts) and the blinking prompts. Everything else of the
// title screen (sky, nebula, stars, the game's name) stands still.
struct Box {
    int x0, y0, x1, y1;
    bool Holds(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};
constexpr Box kTitleMayDiffer[] = {{40, 14, 130, 42}, {220, 336, 420, 420}};

// The screen must be black but for the 640 x 480 frame scaled by the largest
// whole factor that fits and centred, and within it every screen pixel must
// be the colour of the headless frame's pixel it stands for.
int CheckPlaced(const char* path, const char* framePath) {
    Image image;
    Image frame;
    if (!ReadPng(path, image) || !ReadPng(framePath, frame)) {
        return 2;
    }
    if (frame.width != 640 || frame.height != 480) {
        std::fprintf(stderr, "screen_probe: %s is not a 640 x 480 frame\n", framePath);
        return 2;
    }
    const Placement placed = PlaceOn(image);
    int litOutside = 0;
    int unlike = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* shown =
                &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
            const int gx = (x - placed.left) / placed.factor;
            const int gy = (y - placed.top) / placed.factor;
            if (x < placed.left || y < placed.top || gx >= 640 || gy >= 480) {
                litOutside += (shown[0] | shown[1] | shown[2]) != 0 ? 1 : 0;
                continue;
            }
            const auto mayDiffer = [&](const Box& box) { return box.Holds(gx, gy); };
            if (std::any_of(std::begin(kTitleMayDiffer), std::end(kTitleMayDiffer), mayDiffer)) {
                continue;
            }
            const unsigned char* want = &frame.rgb[(static_cast<std::size_t>(gy) * 640 + gx) * 3];
            unlike += std::memcmp(shown, want, 3) != 0 ? 1 : 0;
        }
    }
    std::printf("%s: %d x %d screen, frame %dx at (%d, %d)\n", path, image.width, image.height,
                placed.factor, placed.left, placed.top);
    return Report(path, {{"lit screen pixels outside the frame", litOutside, 0, 0},
                         {"screen pixels unlike the headless frame", unlike, 0, 0}});
}

// Whether a window manager has announced itself on the root window.
int CheckWindowManager() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return 2;
    }
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool found =
        check != None &&
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data) {
        XFree(data);
    }
    XCloseDisplay(display);
    return found ? 0 : 1;
}

// ---------------------------------------------------------------- sound

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> mono; // the channels averaged
};

std::vector<unsigned char> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Little(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | p[i];
    }
    return value;
}

void AppendMono(const unsigned char* data, std::size_t bytes, int channels, Sound& sound) {
    const std::size_t frames = bytes / (2u * static_cast<unsigned>(channels));
    sound.mono.reserve(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += static_cast<float>(static_cast<std::int16_t>(Little(
                data + (f * static_cast<unsigned>(channels) + static_cast<unsigned>(c)) * 2, 2)));
        }
        sound.mono.push_back(sum / static_cast<float>(channels));
    }
}

// A 16-bit PCM WAV file as our sound generator writes it: the 44-byte
// header of a "fmt " chunk and then the "data" chunk.
bool ReadWav(const char* path, Sound& sound) {
    const std::vector<unsigned char> bytes = ReadFile(path);
    if (bytes.size() < 44 || std::memcmp(&bytes[8], "WAVEfmt ", 8) != 0 ||
        Little(&bytes[22], 2) == 0 || Little(&bytes[34], 2) != 16 ||
        std::memcmp(&bytes[36], "data", 4) != 0) {
        std::fprintf(stderr, "screen_probe: %s is no 16-bit PCM WAV file\n", path);
        return false;
    }
    sound.channels = static_cast<int>(Little(&bytes[22], 2));
    sound.rate = static_cast<int>(Little(&bytes[24], 4));
    AppendMono(&bytes[44], std::min<std::size_t>(Little(&bytes[40], 4), bytes.size() - 44),
               sound.channels, sound);
    return true;
}

std::size_t Onset(const std::vector<float>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > 64.0f) {
            return i;
        }
    }
    return samples.size();
}

double Rms(const std::vector<float>& samples, std::size_t from, std::size_t count) {
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
}

// How alike `a` from `atA` and `b` from `atB` are over `count` samples:
// 1 for the same signal at any volume.
double Likeness(const std::vector<float>& a, std::size_t atA, const std::vector<float>& b,
                std::size_t atB, std::size_t count) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = a[atA + i];
        const double y = b[atB + i];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// The captured sound (raw 16-bit samples in the tune's rate and channels,
// as SDL's disk audio driver writes them) must begin with the tune's
// opening and play at its level.
int CheckAudio(const char* rawPath, const char* tunePath) {
    Sound tune;
    if (!ReadWav(tunePath, tune)) {
        return 2;
    }
    Sound captured;
    const std::vector<unsigned char> raw = ReadFile(rawPath);
    AppendMono(raw.data(), raw.size(), tune.channels, captured);
    const std::size_t second = static_cast<std::size_t>(tune.rate);
    const std::size_t window = second / 2;
    const std::size_t tuneStart = Onset(tune.mono);
    const std::size_t start = Onset(captured.mono);
    const double seconds = static_cast<double>(captured.mono.size()) / tune.rate;
    if (tuneStart + window > tune.mono.size() || start + window + 4096 > captured.mono.size()) {
        std::printf("%s: %.2f s captured, sound from sample %zu: too little to compare WRONG\n",
                    rawPath, seconds, start);
        return 1;
    }
    // The tune may start a little before the loudness threshold is passed.
    double best = 0;
    const std::size_t from = start > 4096 ? start - 4096 : 0;
    for (std::size_t at = from; at <= start + 4096; ++at) {
        best = std::max(best, Likeness(captured.mono, at, tune.mono, tuneStart, window));
    }
    const std::size_t span = std::min(captured.mono.size() - start, tune.mono.size() - tuneStart);
    const double level = Rms(captured.mono, start, span);
    const double tuneLevel = Rms(tune.mono, tuneStart, span);
    std::printf("%s: %.2f s captured, sound from %.2f s\n", rawPath, seconds,
                static_cast<double>(start) / tune.rate);
    const int likeness = static_cast<int>(best * 1000);
    const int levelPercent = tuneLevel > 0 ? static_cast<int>(100 * level / tuneLevel) : 0;
    return Report(rawPath, {{"likeness to the tune's opening (per mille)", likeness, 900, 1000},
                            {"level, percent of the tune's", levelPercent, 50, 200}});
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "play") == 0) {
        return CheckPlay(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "placed") == 0) {
        return CheckPlaced(argv[2], argv[3]);
    }
    if (argc == 2 && std::strcmp(argv[1], "wm") == 0) {
        return CheckWindowManager();
    }
    if (argc == 4 && std::strcmp(argv[1], "audio") == 0) {
        return CheckAudio(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: screen_probe play <shot.png> | placed <shot.png> "
                         "<frame.png> | wm | audio <raw> <wav>\n");
    return 2;
}
