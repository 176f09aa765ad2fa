#pragma once

#include <string_view>

namespace qel {

// Where the serial port shows its set-up warnings: a modal box captioned "Warning!" with an OK
// button, English whatever the program's language. The view of the application implements it.
class SerialWarnings {
 public:
  virtual ~SerialWarnings() = default;
  virtual void ShowSerialWarning(std::string_view text) = 0;
};

}  // namespace qel
