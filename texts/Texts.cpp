#include "texts/Texts.h"

#include <array>
#include <cstdio>

namespace qel {
namespace {

struct Entry {
  Text id;
  const char* czech;
  const char* english;
};

// One row per text; the static_assert below keeps the rows in the order of the enum.
constexpr std::array kTable{
    Entry{Text::ApplicationCaption, "QEL key", "QEL key"},
    Entry{Text::WarningCaption, "Warning!", "Warning!"},
    Entry{Text::CannotSetComParameters, "Not able to set COM parameters", "Not able to set COM parameters"},
    Entry{Text::CannotSetTimeouts, "Not able to set Timeouts", "Not able to set Timeouts"},
    Entry{Text::TimerError, "Timer error!", "Timer error!"},

    Entry{Text::CriticalError,
          "Zásadní chyba číslo %i!\r\nProsím vypněte a zapněte QEL a tento program.",
          "Critical error no. %i!\r\nPlease turn QEL and this program off and on again."},
    Entry{Text::LinkLostError, "Chyba %i - QEL odpojeno.", "Error no. %i - QEL disconnected"},
    Entry{Text::LoggedErrorPrefix, "Chyba %i - ", "Error no. %i - "},
};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kTable.size(); ++i)
    if (static_cast<std::size_t>(kTable[i].id) != i) return false;
  return kTable.size() == static_cast<std::size_t>(Text::Count);
}
static_assert(InEnumOrder(), "the text table must list every Text once, in enum order");

}  // namespace

std::string_view Tr(Text id, Language language) {
  const Entry& e = kTable[static_cast<std::size_t>(id)];
  return language == Language::Czech ? e.czech : e.english;
}

std::string TrFormat(Text id, Language language, int value) {
  const std::string_view pattern = Tr(id, language);
  // Every formatted text has exactly one integer placeholder; replacing it by hand keeps
  // the table free of printf's undefined corners.
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] == '%' && (pattern[i + 1] == 'i' || pattern[i + 1] == 'd')) {
      return std::string(pattern.substr(0, i)) + std::to_string(value) + std::string(pattern.substr(i + 2));
    }
  }
  return std::string(pattern);
}

}  // namespace qel
