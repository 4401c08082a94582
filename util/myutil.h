// myutil: the utility library kept beside the game. Colour values, bit
// fields in byte buffers, calendar dates and three-component vectors; the
// game itself calls none of it, the graphics layer's palette ramps take their
// colours from HsvRampRgb.
#pragma once

#include "util/bit_fields.h"
#include "util/calendar_date.h"
#include "util/hsv_colour.h"
#include "util/vector3.h"
