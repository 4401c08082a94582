// The GDI stock objects GetStockObject hands out, so that the GDI layer can
// recognise one when it is selected into a device context.
#pragma once

#include "winapi/types.h"

namespace platform {

// The stock object number (WHITE_BRUSH, SYSTEM_FONT, ...) of `object`, or -1
// when it is no stock object.
int StockObjectIndex(HGDIOBJ object);

} // namespace platform
