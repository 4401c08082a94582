// Finding a face among the machine's fonts through fontconfig.
#include "gdi/face_match.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>

namespace platform::gdi {

std::optional<FaceFile> MatchInstalledFace(const std::string& family, int weight, bool italic,
                                           bool exact) {
    static const bool initialised = [] {
        // fontconfig keeps its configuration until FcFini; give it back at
        // exit (nothing asks fontconfig anything after that).
        if (!FcInit()) {
            return false;
        }
        std::atexit(FcFini);
        return true;
    }();
    if (!initialised) {
        return std::nullopt;
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return std::nullopt;
    }
    std::optional<FaceFile> found;
    FcChar8* path = nullptr;
    FcBool scalable = FcFalse;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable) {
        bool named = !exact;
        FcChar8* name = nullptr;
        for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
            if (SameFamily(reinterpret_cast<const char*>(name), family.c_str())) {
                named = true;
            }
        }
        if (named) {
            FaceFile file;
            file.path = reinterpret_cast<const char*>(path);
            int index = 0;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            file.index = index;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
                file.family = reinterpret_cast<const char*>(name);
            }
            int fcWeight = FC_WEIGHT_REGULAR;
            FcPatternGetInteger(match, FC_WEIGHT, 0, &fcWeight);
            file.weight = FcWeightToOpenType(fcWeight);
            // fontconfig's own synthetic-bold rule raises the weight it reports
            // for a face that has no bold, and asks for emboldening instead.
            FcBool embolden = FcFalse;
            if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden) {
                file.weight = 400;
            }
            int fcSlant = FC_SLANT_ROMAN;
            FcPatternGetInteger(match, FC_SLANT, 0, &fcSlant);
            file.italic = fcSlant != FC_SLANT_ROMAN;
            found = file;
        }
    }
    FcPatternDestroy(match);
    return found;
}

} // namespace platform::gdi
