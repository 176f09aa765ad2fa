#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "keystore/KeyMemoryImage.h"

namespace qel::test {

// A valid 8-byte key code (CRC in byte 7) made from `seed`.
KeyCode EightByteCode(int seed);

// A unit memory as the unit keeps it: `count` used records with valid codes, floors and a short
// comment, every other byte erased (0xFF). Record i gets EightByteCode(i + 1) and floor (i % 24) + 1.
std::array<std::uint8_t, kImageSize> MemoryWithKeys(int recordSize, int count);

}  // namespace qel::test
