// Makes ReadFile fail for reads of one particular byte count, so that a test
// can break one read in the middle of the WAV reader (the 18-byte format
// record, or a locked region of known size) while the others succeed. The
// test program is linked with --wrap for ReadFile, which sends the game's
// calls through here first.
#pragma once

#include <cstdint>

// Reads of exactly `bytes` bytes fail from now on (0: none fail).
void FailReadsOfSize(std::uint32_t bytes);
