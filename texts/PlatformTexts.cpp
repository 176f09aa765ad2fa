#include "texts/PlatformTexts.h"

namespace qel {

Text ForSystem(Text id, TextSystem system) {
  if (system == TextSystem::Posix) return id;
  switch (id) {
    case Text::CtlHelp:
      return Text::CtlHelpWindows;
    case Text::KymHelp:
      return Text::KymHelpWindows;
    default:
      return id;
  }
}

std::string_view TrHere(Text id, Language language) { return Tr(ForSystem(id, ThisTextSystem()), language); }

}  // namespace qel
