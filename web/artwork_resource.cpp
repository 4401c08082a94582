// The artwork bytes in the web build: the page packages the generated
// bitmap with the program's data, and it is read from there once, before
// WinMain registers it as resource 109.
#include "assets/artwork_resource.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

const std::vector<unsigned char>& Artwork() {
    static const std::vector<unsigned char> bytes = [] {
        std::ifstream file("/assets/artwork.dib", std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
    }();
    return bytes;
}

} // namespace

const unsigned char* ArtworkDibData() {
    return Artwork().data();
}

std::size_t ArtworkDibSize() {
    return Artwork().size();
}
