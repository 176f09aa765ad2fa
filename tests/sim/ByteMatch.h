#pragma once

#include "tests/support/HexDump.h"

namespace qel::sim::test {

using qel::test::Bytes;
using qel::test::HexDump;
using qel::test::SameBytes;

}  // namespace qel::sim::test
