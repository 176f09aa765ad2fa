// Whatever KeyCodeFromText accepts must pass its form's check and read back as the typed text.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "keystore/KeyCode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto code = qel::KeyCodeFromText(text);
  if (!code) return 0;
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool eightByte = text.size() == 16;
  if (eightByte ? !qel::IsValidEightByteCode(*code) : !qel::IsValidTwelveCharCode(*code)) std::abort();
  if (qel::KeyCodeToText(*code) != upper) std::abort();
  if (qel::KeyCodeFromText(qel::KeyCodeToText(*code)) != code) std::abort();
  return 0;
}
