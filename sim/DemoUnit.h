#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/GeneratedKeys.h"
#include "sim/SimulatedUnit.h"

namespace qel::sim {

// A unit as a small apartment house might have it: residents, the caretaker, services, a few
// keys deleted over the years; 8-byte and 12-character codes, Czech comments, varied floors.
struct DemoUnit {
  UnitConfig config;
  ImageBytes memory;
  // Keys of the memory that the demo presents at the reader now and then.
  std::vector<KeyCode> visitors;
};

// The demo unit with its clock set to `now`.
DemoUnit MakeDemoUnit(const CivilTime& now);

}  // namespace qel::sim
