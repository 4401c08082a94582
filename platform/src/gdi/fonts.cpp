#include "gdi/fonts.h"
#include "gdi/face_match.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

namespace platform::gdi {

bool SameFamily(const char* a, const char* b) {
    auto next = [](const char*& p) {
        while (*p == ' ') {
            ++p;
        }
        return static_cast<unsigned char>(*p);
    };
    while (true) {
        unsigned char ca = next(a), cb = next(b);
        if (ca < 0x80) {
            ca = static_cast<unsigned char>(std::tolower(ca));
        }
        if (cb < 0x80) {
            cb = static_cast<unsigned char>(std::tolower(cb));
        }
        if (ca != cb) {
            return false;
        }
        if (ca == 0) {
            return true;
        }
        ++a;
        ++b;
    }
}

namespace {

bool IsGenericFamily(const std::string& name) {
    static const char* const generic[] = {"sans-serif", "sans", "serif", "monospace", "mono"};
    for (const char* g : generic) {
        if (SameFamily(name.c_str(), g)) {
            return true;
        }
    }
    return false;
}

class FreeTypeFont;

class FontSystem {
public:
    FontSystem() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
        }
    }

    std::mutex lock;

    std::shared_ptr<RealizedFont> Realize(const FontRequest& request);

private:
    std::optional<FaceFile> Resolve(const std::string& family, int weight, bool italic);
    FT_Face OpenFace(const FaceFile& file);

    FT_Library library = nullptr;
    std::map<std::tuple<std::string, int, bool>, std::optional<FaceFile>> resolved;
    std::map<std::pair<std::string, int>, FT_Face> faces;
    std::map<std::tuple<std::string, int, int, int, int, bool>, std::shared_ptr<RealizedFont>>
        realized;
};

FontSystem& Fonts() {
    // Kept to the end of the process: device contexts and cached fonts may
    // still refer to faces while other statics are destroyed.
    static FontSystem* system = new FontSystem();
    return *system;
}

class FreeTypeFont final : public RealizedFont {
public:
    FreeTypeFont(FT_Face face, const FaceFile& file, int requestedHeight, int requestedWidth,
                 int requestedWeight, bool requestedItalic)
        : face(face) {
        family = file.family;
        weight = requestedWeight;
        italic = requestedItalic;
        if (FT_New_Size(face, &size) != 0) {
            size = nullptr;
            return;
        }
        FT_Activate_Size(size);

        // GDI measures a font's cell by the Windows ascent and descent.
        double ascentUnits = face->ascender;
        double descentUnits = -face->descender;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        const double cellUnits = std::max(1.0, ascentUnits + descentUnits);
        const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
        const int cell = requestedHeight == 0 ? 16 : std::abs(requestedHeight);
        double em;
        if (requestedHeight >= 0) {
            em = cell * unitsPerEm / cellUnits;
            ascent = static_cast<int>(std::lround(ascentUnits * cell / cellUnits));
            descent = cell - ascent;
        } else {
            em = cell;
            ascent = static_cast<int>(std::lround(ascentUnits * em / unitsPerEm));
            descent = static_cast<int>(std::lround(descentUnits * em / unitsPerEm));
        }
        // A width other than 0 is the average character width wanted: the
        // glyphs are stretched or squeezed horizontally to it.
        const auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const double averageUnits =
            os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : unitsPerEm / 2;
        const double emX =
            requestedWidth > 0 ? std::abs(requestedWidth) * unitsPerEm / averageUnits : em;
        FT_Size_RequestRec sizeRequest{};
        sizeRequest.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        sizeRequest.width = static_cast<FT_Long>(std::lround(emX * 64));
        sizeRequest.height = static_cast<FT_Long>(std::lround(em * 64));
        FT_Request_Size(face, &sizeRequest);

        // A weight the face does not have is drawn by thickening its strokes,
        // an italic it does not have by slanting them.
        if (requestedWeight >= 600 && file.weight < 600) {
            emboldenStrength = std::max<FT_Pos>(64, std::lround(em * 64 / 24));
        }
        slant = requestedItalic && !file.italic;

        const int extra = static_cast<int>(emboldenStrength / 64);
        averageWidth = static_cast<int>(std::lround(averageUnits * emX / unitsPerEm)) + extra;
        maxWidth =
            static_cast<int>(std::lround(face->max_advance_width * emX / unitsPerEm)) + extra;
    }

    ~FreeTypeFont() override {
        if (size != nullptr) {
            FT_Done_Size(size);
        }
    }

    bool Usable() const { return size != nullptr; }

    const Glyph& GlyphFor(char32_t codePoint) override {
        if (codePoint < ascii.size()) {
            auto& slot = ascii[codePoint];
            if (!slot) {
                slot = Render(codePoint);
            }
            return *slot;
        }
        auto found = others.find(codePoint);
        if (found == others.end()) {
            found = others.emplace(codePoint, Render(codePoint)).first;
        }
        return found->second;
    }

private:
    Glyph Render(char32_t codePoint) {
        Glyph glyph;
        FT_Activate_Size(size);
        const FT_UInt index = FT_Get_Char_Index(face, codePoint);
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) {
            return glyph;
        }
        FT_GlyphSlot slot = face->glyph;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (slant) {
                FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000}; // about 12 degrees
                FT_Outline_Transform(&slot->outline, &shear);
            }
            if (emboldenStrength > 0) {
                FT_Outline_EmboldenXY(&slot->outline, emboldenStrength, 0);
                glyph.advance += static_cast<int>(emboldenStrength / 64);
            }
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
            return glyph;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.height = static_cast<int>(bitmap.rows);
        glyph.ink.assign(static_cast<std::size_t>(glyph.width) * glyph.height, 0);
        for (int y = 0; y < glyph.height; ++y) {
            const unsigned char* row =
                bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
            for (int x = 0; x < glyph.width; ++x) {
                const bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                    ? (row[x >> 3] & (0x80 >> (x & 7))) != 0
                                    : row[x] >= 128;
                glyph.ink[static_cast<std::size_t>(y) * glyph.width + x] = on ? 1 : 0;
            }
        }
        return glyph;
    }

    FT_Face face;
    FT_Size size = nullptr;
    FT_Pos emboldenStrength = 0;
    bool slant = false;
    std::array<std::optional<Glyph>, 128> ascii;
    std::unordered_map<char32_t, Glyph> others;
};

std::optional<FaceFile> FontSystem::Resolve(const std::string& family, int weight, bool italic) {
    const auto key = std::make_tuple(family, weight, italic);
    if (auto cached = resolved.find(key); cached != resolved.end()) {
        return cached->second;
    }
    std::optional<FaceFile> file;
    if (family.empty()) {
        file = MatchInstalledFace("sans-serif", weight, italic, false);
    } else if (IsGenericFamily(family)) {
        file = MatchInstalledFace(family, weight, italic, false);
    } else {
        // The face asked for; where the machine lacks it (such as a Windows
        // Japanese gothic), the installed Japanese gothic, then any monospace.
        file = MatchInstalledFace(family, weight, italic, true);
        if (!file) {
            file = MatchInstalledFace("IPAGothic", weight, italic, true);
        }
        if (!file) {
            file = MatchInstalledFace("monospace", weight, italic, false);
        }
    }
    if (!file) {
        file = MatchInstalledFace("sans-serif", weight, italic, false);
    }
    resolved.emplace(key, file);
    return file;
}

FT_Face FontSystem::OpenFace(const FaceFile& file) {
    const auto key = std::make_pair(file.path, file.index);
    if (auto open = faces.find(key); open != faces.end()) {
        return open->second;
    }
    FT_Face face = nullptr;
    if (library == nullptr || FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) {
        face = nullptr;
    } else if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    faces.emplace(key, face);
    return face;
}

std::shared_ptr<RealizedFont> FontSystem::Realize(const FontRequest& request) {
    const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
    const std::optional<FaceFile> file = Resolve(request.familyUtf8, weight, request.italic);
    if (!file) {
        return nullptr;
    }
    const auto key = std::make_tuple(file->path, file->index, request.height, request.width, weight,
                                     request.italic);
    if (auto cached = realized.find(key); cached != realized.end()) {
        return cached->second;
    }
    FT_Face face = OpenFace(*file);
    std::shared_ptr<RealizedFont> font;
    if (face != nullptr) {
        auto made = std::make_shared<FreeTypeFont>(face, *file, request.height, request.width,
                                                   weight, request.italic);
        if (made->Usable()) {
            font = std::move(made);
        }
    }
    realized.emplace(key, font);
    return font;
}

} // namespace

std::shared_ptr<RealizedFont> RealizeFont(const FontRequest& request) {
    FontSystem& fonts = Fonts();
    std::lock_guard<std::mutex> hold(fonts.lock);
    return fonts.Realize(request);
}

std::shared_ptr<RealizedFont> DefaultFont() {
    static const std::shared_ptr<RealizedFont> font =
        RealizeFont(FontRequest{"sans-serif", 16, 0, 700, false});
    return font;
}

} // namespace platform::gdi
