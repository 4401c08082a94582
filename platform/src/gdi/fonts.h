// Fonts: faces found through fontconfig and drawn with FreeType, aliased
// (one bit a pixel, as GDI draws on an 8-bit surface). A face the machine
// lacks is replaced by the closest installed one; a weight the face lacks is
// synthesised. Faces, sizes and drawn glyphs are kept for the life of the
// process, so creating the same font again, as the title does every frame,
// costs a table look-up.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::gdi {

struct Glyph {
    int left = 0; // from the pen to the first column
    int top = 0;  // from the baseline up to the first row
    int width = 0;
    int height = 0;
    int advance = 0;               // pen movement
    std::vector<std::uint8_t> ink; // width * height bytes, 1 where the glyph covers
};

struct FontRequest {
    std::string familyUtf8; // empty: the default sans
    int height = 0;         // GDI's sense: > 0 cell height, < 0 em height, 0 default
    int width = 0;          // average character width; 0 the face's own proportions
    int weight = 400;       // 0 counts as 400
    bool italic = false;
};

class RealizedFont {
public:
    virtual ~RealizedFont() = default;

    int Ascent() const { return ascent; }
    int Descent() const { return descent; }
    int Height() const { return ascent + descent; }
    int AverageWidth() const { return averageWidth; }
    int MaxWidth() const { return maxWidth; }
    int Weight() const { return weight; }
    bool Italic() const { return italic; }
    const std::string& Family() const { return family; }

    // The glyph of a Unicode code point (the face's missing-glyph sign when
    // it has none).
    virtual const Glyph& GlyphFor(char32_t codePoint) = 0;

protected:
    int ascent = 0;
    int descent = 0;
    int averageWidth = 0;
    int maxWidth = 0;
    int weight = 400;
    bool italic = false;
    std::string family;
};

// The font for a request, or null when no usable face is installed at all.
std::shared_ptr<RealizedFont> RealizeFont(const FontRequest& request);

// What a fresh device context draws with: a 16-pixel bold sans, like the
// system font.
std::shared_ptr<RealizedFont> DefaultFont();

} // namespace platform::gdi
