#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ControlCommand.h"
#include "keystore/KeyMemoryImage.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/files/TempFolder.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/KeyImages.h"
#include "tests/support/VirtualTime.h"

namespace qel::test {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome RunWith(const ControlWorld& world, const std::string& device, std::vector<std::string> words,
                       const std::string& answers = "", ControlEnvironment environment = {}) {
  words.insert(words.begin(), {"--device", device});
  const std::vector<std::string_view> arguments(words.begin(), words.end());
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(answers);
  environment.inputIsTerminal = !answers.empty();
  const int status = RunControl(arguments, environment, world, out, err, in);
  return {status, out.str(), err.str()};
}

inline KeyMemoryImage ImageOf(const sim::SimulatedUnit& unit) {
  KeyMemoryImage image;
  image.Replace(*reinterpret_cast<const ImageBytes*>(unit.Memory().data()), unit.RecordSize());
  image.BuildKeyList();
  return image;
}

// qelctl against a simulated unit with 20 keys on the virtual clock: the same entry point as the
// program's, with the line and the time swapped.
class ControlTest : public ::testing::Test {
 protected:
  static constexpr const char* kDevice = "/dev/ttyQEL";

  ControlTest() {
    unit.LoadMemory(MemoryWithKeys(kDefaultRecordSize, 20));
    device.AttachUnit(kDevice, unit);
  }

  Outcome Run(std::vector<std::string> words, const std::string& answers = "") {
    return RunWith({device, time, localClock}, kDevice, std::move(words), answers, environment);
  }
  // Runs a command that must succeed; what it printed.
  std::string Ok(std::vector<std::string> words, const std::string& answers = "") {
    const Outcome outcome = Run(words, answers);
    EXPECT_EQ(outcome.status, 0) << words[0] << ": " << outcome.err;
    return outcome.out;
  }
  std::string File(const std::string& name) const { return (folder / name).string(); }

  sim::VirtualClock clock;
  sim::SimulatedUnit unit;
  sim::VirtualSerialDevice device{clock};
  VirtualTime time{clock};
  FixedLocalClock localClock;
  TempFolder folder;
  ControlEnvironment environment;
};

}  // namespace qel::test
