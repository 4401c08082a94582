// Reading the resource table from inside the platform, without the fault
// injection of the API calls.
#pragma once

#include <cstddef>

#include "winapi/types.h"

namespace platform {

// The bytes of the resource, valid until the table changes; false when
// there is no such resource.
bool LookupResource(LPCSTR type, LPCSTR name, const unsigned char*& data, std::size_t& size);

} // namespace platform
