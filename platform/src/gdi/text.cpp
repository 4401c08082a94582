// Fonts and text: CreateFontA, TextOutA, DrawTextA and text measurement.
#include <algorithm>
#include <array>
#include <compare>
#include <cstring>
#include <map>
#include <tuple>

#include "gdi/colour.h"
#include "gdi/fonts.h"
#include "gdi/objects.h"
#include "platform/faults.h"
#include "platform/text.h"
#include "video/blit.h"

namespace platform::gdi {
namespace {

// CreateFontA's arguments that choose the font, with the face name as the
// program's own bytes, so that creating the same font again needs neither
// a code-page conversion nor a fontconfig query.
struct CreateKey {
    std::array<char, LF_FACESIZE> face{};
    int height = 0;
    int width = 0;
    int weight = 0;
    bool italic = false;
    DWORD pitchAndFamily = 0;
    // Spelt out, as the web build's C++ library has no <=> for std::array.
    bool operator<(const CreateKey& o) const {
        return std::tie(face, height, width, weight, italic, pitchAndFamily) <
               std::tie(o.face, o.height, o.width, o.weight, o.italic, o.pitchAndFamily);
    }
};

std::map<CreateKey, std::shared_ptr<RealizedFont>>& CreatedFonts() {
    static std::map<CreateKey, std::shared_ptr<RealizedFont>> fonts;
    return fonts;
}

std::string GenericFamilyFor(DWORD pitchAndFamily) {
    if ((pitchAndFamily & 0x3) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN) {
        return "monospace";
    }
    if ((pitchAndFamily & 0xF0) == FF_ROMAN) {
        return "serif";
    }
    return "sans-serif";
}

constexpr int kFarAway = 1 << 24;

struct Canvas {
    PixelView view;
    RECT clip; // inside the view
};

int TabStop(int x, int origin, int tabWidth) {
    if (tabWidth <= 0) {
        return x;
    }
    return origin + ((x - origin) / tabWidth + 1) * tabWidth;
}

int RunWidth(RealizedFont& font, const char32_t* text, std::size_t count, int tabWidth) {
    int x = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] == U'\t' && tabWidth > 0) {
            x = TabStop(x, 0, tabWidth);
        } else {
            x += font.GlyphFor(text[i]).advance;
        }
    }
    return x;
}

void DrawGlyph(const Canvas& canvas, const Glyph& glyph, int penX, int baseline, std::uint8_t ink) {
    const int left = penX + glyph.left;
    const int top = baseline - glyph.top;
    const int x0 = std::max<int>(left, canvas.clip.left);
    const int x1 = std::min<int>(left + glyph.width, canvas.clip.right);
    const int y0 = std::max<int>(top, canvas.clip.top);
    const int y1 = std::min<int>(top + glyph.height, canvas.clip.bottom);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* coverage =
            glyph.ink.data() + static_cast<std::size_t>(y - top) * glyph.width;
        std::uint8_t* row = canvas.view.Row(y);
        for (int x = x0; x < x1; ++x) {
            if (coverage[x - left]) {
                row[x] = ink;
            }
        }
    }
}

void DrawRun(const Canvas& canvas, RealizedFont& font, const char32_t* text, std::size_t count,
             int x, int baseline, std::uint8_t ink, int tabWidth) {
    int pen = x;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] == U'\t' && tabWidth > 0) {
            pen = TabStop(pen, x, tabWidth);
            continue;
        }
        const Glyph& glyph = font.GlyphFor(text[i]);
        DrawGlyph(canvas, glyph, pen, baseline, ink);
        pen += glyph.advance;
    }
}

void FillBackground(const Canvas& canvas, RECT box, std::uint8_t index) {
    box.left = std::max(box.left, canvas.clip.left);
    box.top = std::max(box.top, canvas.clip.top);
    box.right = std::min(box.right, canvas.clip.right);
    box.bottom = std::min(box.bottom, canvas.clip.bottom);
    video::FillRect(canvas.view, box, index);
}

std::vector<char32_t>& DecodeBuffer() {
    static thread_local std::vector<char32_t> buffer;
    return buffer;
}

struct Line {
    std::size_t start;
    std::size_t count;
};

// Breaks `text` into the lines DrawTextA shows: at line breaks unless
// single-line, and, with DT_WORDBREAK, between words where a line would be
// wider than `width`.
void BreakLines(RealizedFont& font, const std::vector<char32_t>& text, UINT format, int width,
                int tabWidth, std::vector<Line>& lines) {
    lines.clear();
    const bool single = (format & DT_SINGLELINE) != 0;
    std::size_t start = 0;
    auto pushWrapped = [&](std::size_t from, std::size_t end) {
        if (!(format & DT_WORDBREAK) || single) {
            lines.push_back(Line{from, end - from});
            return;
        }
        while (true) {
            std::size_t lineEnd = end;
            if (RunWidth(font, text.data() + from, end - from, tabWidth) > width) {
                // The last space before the text overflows; a word too long
                // for the width stands alone on its line.
                std::size_t fit = from;
                for (std::size_t i = from; i < end; ++i) {
                    if (text[i] == U' ' &&
                        RunWidth(font, text.data() + from, i - from, tabWidth) <= width) {
                        fit = i;
                    }
                }
                if (fit > from) {
                    lineEnd = fit;
                } else {
                    std::size_t firstSpace = from;
                    while (firstSpace < end && text[firstSpace] != U' ') {
                        ++firstSpace;
                    }
                    lineEnd = firstSpace;
                }
            }
            lines.push_back(Line{from, lineEnd - from});
            if (lineEnd >= end) {
                return;
            }
            from = lineEnd;
            while (from < end && text[from] == U' ') {
                ++from;
            }
            if (from >= end) {
                return;
            }
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!single && text[i] == U'\n') {
            std::size_t end = i;
            if (end > start && text[end - 1] == U'\r') {
                --end;
            }
            pushWrapped(start, end);
            start = i + 1;
        }
    }
    pushWrapped(start, text.size());
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;
using platform::PaletteColour;

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName) {
    // The game's fonts are upright, neither underlined nor struck out.
    (void)escapement, (void)orientation, (void)underline, (void)strikeOut;
    (void)charSet, (void)outPrecision, (void)clipPrecision, (void)quality;
    if (platform::TakeFault("CreateFontA")) {
        return nullptr;
    }
    CreateKey key;
    if (faceName != nullptr) {
        const std::size_t length = strnlen(faceName, LF_FACESIZE - 1);
        std::memcpy(key.face.data(), faceName, length);
    }
    key.height = height;
    key.width = width;
    key.weight = weight;
    key.italic = italic != 0;
    key.pitchAndFamily = key.face[0] == '\0' ? pitchAndFamily : 0;

    auto& created = CreatedFonts();
    auto found = created.find(key);
    if (found == created.end()) {
        FontRequest request;
        request.familyUtf8 = key.face[0] != '\0' ? platform::AnsiToUtf8(key.face.data())
                                                 : GenericFamilyFor(pitchAndFamily);
        request.height = height;
        request.width = width;
        request.weight = weight;
        request.italic = key.italic;
        found = created.emplace(key, RealizeFont(request)).first;
    }
    if (found->second == nullptr) {
        return nullptr; // no usable face installed at all
    }
    return AddFont(FontObject{found->second, false});
}

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr || dc->realized == nullptr || length < 0 || (text == nullptr && length > 0)) {
        return FALSE;
    }
    PixelView view;
    const PaletteColour* colours = nullptr;
    static thread_local std::vector<PaletteColour> scratchColours;
    if (!DrawingSurfaceOf(*dc, view, colours, scratchColours)) {
        return FALSE;
    }
    // Far off the surface the text is invisible; keep the arithmetic small.
    x = std::clamp(x, -kFarAway, kFarAway);
    y = std::clamp(y, -kFarAway, kFarAway);
    RealizedFont& font = *dc->realized;
    std::vector<char32_t>& decoded = DecodeBuffer();
    platform::AnsiToCodePoints(std::string_view(text, static_cast<std::size_t>(length)), decoded);

    const int width = RunWidth(font, decoded.data(), decoded.size(), 0);
    int left = x;
    switch (dc->align & TA_CENTER) {
    case TA_CENTER:
        left = x - width / 2;
        break;
    case TA_RIGHT:
        left = x - width;
        break;
    default:
        break;
    }
    int baseline = y + font.Ascent();
    if ((dc->align & TA_BASELINE) == TA_BASELINE) {
        baseline = y;
    } else if (dc->align & TA_BOTTOM) {
        baseline = y - font.Descent();
    }

    const Canvas canvas{view, RECT{0, 0, view.width, view.height}};
    if (dc->backMode == OPAQUE) {
        const RECT box{left, baseline - font.Ascent(), left + width, baseline + font.Descent()};
        FillBackground(canvas, box, IndexForColour(colours, dc->backColour));
    }
    const std::uint8_t ink = IndexForColour(colours, dc->textColour);
    DrawRun(canvas, font, decoded.data(), decoded.size(), left, baseline, ink, 0);
    return TRUE;
}

int WINAPI DrawTextA(HDC handle, LPCSTR text, int length, LPRECT rect, UINT format) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr || dc->realized == nullptr || rect == nullptr || text == nullptr) {
        return 0;
    }
    const std::size_t byteCount = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    RealizedFont& font = *dc->realized;
    std::vector<char32_t>& decoded = DecodeBuffer();
    platform::AnsiToCodePoints(std::string_view(text, byteCount), decoded);
    for (LONG* edge : {&rect->left, &rect->top, &rect->right, &rect->bottom}) {
        *edge = std::clamp<LONG>(*edge, -kFarAway, kFarAway);
    }
    if (!(format & DT_NOPREFIX)) {
        // "&x" marks a mnemonic and shows as x; "&&" shows one "&".
        std::size_t out = 0;
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            if (decoded[i] == U'&' && i + 1 < decoded.size()) {
                ++i;
            }
            decoded[out++] = decoded[i];
        }
        decoded.resize(out);
    }
    if (format & DT_SINGLELINE) {
        std::erase_if(decoded, [](char32_t c) { return c == U'\r' || c == U'\n'; });
    }

    const int tabWidth = (format & DT_EXPANDTABS) ? 8 * std::max(1, font.AverageWidth()) : 0;
    const int boxWidth = rect->right - rect->left;
    static thread_local std::vector<Line> lines;
    BreakLines(font, decoded, format, boxWidth, tabWidth, lines);
    const int lineHeight = font.Height();
    const int textHeight = lineHeight * static_cast<int>(lines.size());

    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        } else if (format & DT_BOTTOM) {
            top = rect->bottom - lineHeight;
        }
    }

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) {
            widest =
                std::max(widest, RunWidth(font, decoded.data() + line.start, line.count, tabWidth));
        }
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    PixelView view;
    const PaletteColour* colours = nullptr;
    static thread_local std::vector<PaletteColour> scratchColours;
    if (!DrawingSurfaceOf(*dc, view, colours, scratchColours)) {
        return 0;
    }
    RECT clip{0, 0, view.width, view.height};
    if (!(format & DT_NOCLIP)) {
        clip.left = std::max(clip.left, rect->left);
        clip.top = std::max(clip.top, rect->top);
        clip.right = std::min(clip.right, rect->right);
        clip.bottom = std::min(clip.bottom, rect->bottom);
    }
    if (clip.left < clip.right && clip.top < clip.bottom) {
        const Canvas canvas{view, clip};
        const std::uint8_t ink = IndexForColour(colours, dc->textColour);
        const std::uint8_t paper = IndexForColour(colours, dc->backColour);
        int lineTop = top;
        for (const Line& line : lines) {
            const char32_t* start = decoded.data() + line.start;
            const int width = RunWidth(font, start, line.count, tabWidth);
            int left = rect->left;
            if (format & DT_CENTER) {
                left = rect->left + (boxWidth - width) / 2;
            } else if (format & DT_RIGHT) {
                left = rect->right - width;
            }
            if (dc->backMode == OPAQUE) {
                FillBackground(canvas, RECT{left, lineTop, left + width, lineTop + lineHeight},
                               paper);
            }
            DrawRun(canvas, font, start, line.count, left, lineTop + font.Ascent(), ink, tabWidth);
            lineTop += lineHeight;
        }
    }
    // Measured from the rectangle's top to the bottom of the text.
    return top - rect->top + textHeight;
}
