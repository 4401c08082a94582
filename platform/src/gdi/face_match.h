// Where the font layer finds the file of a face: on Linux among the fonts
// fontconfig knows, in a browser among the few packaged with the page.
#pragma once

#include <optional>
#include <string>

namespace platform::gdi {

// Where a face lives and what it is.
struct FaceFile {
    std::string path;
    int index = 0;
    std::string family;
    int weight = 400; // OpenType scale
    bool italic = false;
};

// The installed face that answers for `family` at this weight (OpenType
// scale) and slant; with `exact`, only a face that really carries that
// family name.
std::optional<FaceFile> MatchInstalledFace(const std::string& family, int weight, bool italic,
                                           bool exact);

// Family names compare as fontconfig compares them: case and blanks aside.
bool SameFamily(const char* a, const char* b);

} // namespace platform::gdi
