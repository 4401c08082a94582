// The faces a browser tab has: the few font files packaged with the page
// (cut down at build time to the characters the game draws), standing in for
// what fontconfig finds on the desktop, and answering as it does there.
#include "gdi/face_match.h"

namespace platform::gdi {
namespace {

struct PackagedFace {
    const char* family;
    const char* otherName; // the family's localised name, also matched
    const char* path;
    int weight;
};

constexpr PackagedFace kIpaGothic{"IPAGothic", "IPAゴシック", "/fonts/ipag.ttf", 400};
constexpr PackagedFace kSans{"DejaVu Sans", "DejaVu Sans", "/fonts/DejaVuSans.ttf", 400};
constexpr PackagedFace kSansBold{"DejaVu Sans", "DejaVu Sans", "/fonts/DejaVuSans-Bold.ttf", 700};

// The nearest weight of the family, as fontconfig picks it.
const PackagedFace& SansOfWeight(int weight) {
    return weight >= 550 ? kSansBold : kSans;
}

FaceFile FileOf(const PackagedFace& face) {
    return FaceFile{face.path, 0, face.family, face.weight, false};
}

} // namespace

std::optional<FaceFile> MatchInstalledFace(const std::string& family, int weight, bool,
                                           bool exact) {
    if (SameFamily(family.c_str(), kIpaGothic.family) ||
        SameFamily(family.c_str(), kIpaGothic.otherName)) {
        return FileOf(kIpaGothic);
    }
    if (SameFamily(family.c_str(), kSans.family)) {
        return FileOf(SansOfWeight(weight));
    }
    if (exact) {
        return std::nullopt;
    }
    // Every generic family (sans-serif, serif, monospace) is the sans here.
    return FileOf(SansOfWeight(weight));
}

} // namespace platform::gdi
