#pragma once

#include <string_view>

#include "texts/Texts.h"

namespace qel {

// The systems whose texts differ where they name devices, folders and tools.
enum class TextSystem { Posix, Windows };

// The system this program was built for.
TextSystem ThisTextSystem();

// The variant of `id` that fits `system`; most texts serve both.
Text ForSystem(Text id, TextSystem system);

// The text of `id` as this system needs it, in `language`.
std::string_view TrHere(Text id, Language language);

}  // namespace qel
