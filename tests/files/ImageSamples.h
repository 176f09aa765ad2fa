#pragma once

#include <cstdint>
#include <string>

#include "files/ImageFile.h"

namespace qel::test {

// Every byte value, with the text-mode end-of-file byte at both ends of the image.
inline ImageBytes EveryByteValue() {
  ImageBytes image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  image[0] = 0x00;
  image[1] = 0x1A;
  image[65535] = 0x1A;
  return image;
}

inline std::string Header(int accessTime, int recordSize, char relay = '0', char mainRelay = '0') {
  return {static_cast<char>(accessTime), static_cast<char>(recordSize), relay, mainRelay};
}

}  // namespace qel::test
