#pragma once

#include <string>
#include <string_view>

namespace qel {

// What the operator typed to find keys. A key is found when its comment or the text of its code
// contains the typed text, whatever the case and the diacritics: "novak" and "NOV" find "Novák",
// "9c3a" finds a code "…519C3A01". An empty filter finds every key.
class KeyFilter {
 public:
  KeyFilter() = default;
  explicit KeyFilter(std::string_view utf8);

  bool IsEmpty() const { return needle_.empty() && !unmatchable_; }
  // `comment` and `codeText` in Windows-1250, as the image holds them.
  bool Matches(std::string_view comment, std::string_view codeText) const;

 private:
  std::string needle_;  // the typed text in search form
  // The typed text has a character that no Windows-1250 text can hold, so nothing contains it.
  bool unmatchable_ = false;
};

}  // namespace qel
