#include "texts/PlatformTexts.h"

namespace qel {

TextSystem ThisTextSystem() { return TextSystem::Windows; }

}  // namespace qel
