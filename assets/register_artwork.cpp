// The program's resource table on platforms without a resource compiler: the
// generated artwork bitmap becomes RT_BITMAP resource 109 before WinMain runs,
// as the bitmap of a Windows executable's resource script would.
#include "assets/artwork_resource.h"
#include "platform/resources.h"
#include "winapi.h"

namespace {

const bool artworkRegistered = [] {
    platform::RegisterResource(RT_BITMAP, 109, ArtworkDibData(), ArtworkDibSize());
    return true;
}();

} // namespace
