#pragma once

#include <cstdint>
#include <random>

#include "keystore/KeyMemoryImage.h"

namespace qel::sim {

// A valid key code of each form, drawn from `random`.
KeyCode RandomEightByteCode(std::mt19937& random);
KeyCode RandomTwelveCharCode(std::mt19937& random);

// A key memory holding `count` valid keys in records 0 to count - 1 (at most as many as the
// program lists), the rest erased. Even records get the 8-byte form, odd ones the 12-character
// form; each key has some floors and the comment "Key <id>", cut to the record. The same seed
// always gives the same memory.
ImageBytes GenerateKeyMemory(int count, int recordSize, std::uint32_t seed);

}  // namespace qel::sim
