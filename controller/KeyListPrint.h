#pragma once

#include <string>
#include <vector>

namespace qel {

// Which keys a printout lists: every key, those the filter shows, or the rows the operator
// selected.
enum class PrintScope { All, Shown, Selected };

// One printed key, ready to set (UTF-8): its floors as "1, 3–5, 24".
struct PrintedKey {
  int id = 0;
  std::string comment;
  std::string keyCode;
  std::string floors;
};

// What a printout of the key list says, before any page is laid out.
struct KeyListDocument {
  std::string elevatorName;
  std::vector<PrintedKey> keys;
};

}  // namespace qel
