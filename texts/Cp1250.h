#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// Comments, the elevator name and the Czech texts in files are single-byte Windows-1250; the
// program itself works in UTF-8. This is the one codec between the two.

// Total and lossless: every byte has a character. The five bytes the code page leaves undefined
// (0x81, 0x83, 0x88, 0x90, 0x98) become the C1 control of the same value, so they round-trip.
std::string Cp1250ToUtf8(std::string_view bytes);

struct Cp1250Encoded {
  std::string bytes;                    // the representable characters, in order
  std::vector<char32_t> unrepresented;  // each character that has no byte, once, in order of
                                        // first appearance; U+FFFD stands for invalid UTF-8
  bool Complete() const { return unrepresented.empty(); }
};

Cp1250Encoded Utf8ToCp1250(std::string_view utf8);

// Whether `bytes` are well-formed UTF-8 throughout (no overlong forms or surrogates). Text in
// Windows-1250 passes only while it is plain ASCII, which reads the same in both.
bool IsUtf8(std::string_view bytes);

// The first character the unit cannot keep in a comment or a name: one without a Windows-1250
// byte, or one whose byte is 0x00 to 0x1F or 0xFF, which the unit takes for an end or a command.
// Invalid UTF-8 counts as U+FFFD. None when every character can be stored.
std::optional<char32_t> FirstUnstorableCharacter(std::string_view utf8);

// Decodes one UTF-8 character at `pos` and advances past it; malformed input, overlong forms
// and surrogates give U+FFFD and advance one byte. `pos` must lie inside `text`.
char32_t NextCharacter(std::string_view text, std::size_t& pos);

// How a message names a character: "˙" (U+02D9), or U+0009 alone for an invisible one.
std::string DescribeCharacter(char32_t c);

}  // namespace qel
