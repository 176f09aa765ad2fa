#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qel {

// What the operator typed to find keys. A key is found when its comment or the text of its code
// contains the typed text, whatever the case and the diacritics: "novak" and "NOV" find "Novák",
// "9c3a" finds a code "…519C3A01". An empty filter finds every key. "floor 5" or "patro 5" (any
// case, floors 1 to 24) finds the keys that open floor 5, and "floor 5 novák" those of them that
// the text finds too; a floor out of that range is plain text.
class KeyFilter {
 public:
  KeyFilter() = default;
  explicit KeyFilter(std::string_view utf8);

  bool IsEmpty() const { return needle_.empty() && !unmatchable_ && !floor_; }
  // Whether the text finds the key: `comment` and `codeText` in Windows-1250, as the image holds
  // them. The floor is the caller's to check.
  bool Matches(std::string_view comment, std::string_view codeText) const;
  // The floor the found keys must open, when one was asked for.
  std::optional<int> floor() const { return floor_; }

 private:
  std::string needle_;  // the typed text in search form
  // The typed text has a character that no Windows-1250 text can hold, so nothing contains it.
  bool unmatchable_ = false;
  std::optional<int> floor_;
};

}  // namespace qel
