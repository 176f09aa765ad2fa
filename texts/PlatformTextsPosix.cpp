#include "texts/PlatformTexts.h"

namespace qel {

TextSystem ThisTextSystem() { return TextSystem::Posix; }

}  // namespace qel
