#include "sequencer/UnitSettings.h"

#include "texts/Texts.h"

namespace qel {
namespace {

int Bcd(std::uint8_t byte, std::uint8_t tensMask) { return ((byte & tensMask) >> 4) * 10 + (byte & 0x0F); }

}  // namespace

UnitClock DecodeUnitClock(std::span<const std::uint8_t, 7> bcd) {
  UnitClock clock;
  clock.second = Bcd(bcd[0], 0x70);
  clock.minute = Bcd(bcd[1], 0x70);
  clock.hour = Bcd(bcd[2], 0xF0);
  clock.day = Bcd(bcd[4], 0x70);
  clock.month = Bcd(bcd[5], 0x10);
  clock.year = Bcd(bcd[6], 0xF0);
  return clock;
}

std::string ClockLine(const UnitClock& c, Language language) {
  if (language == Language::Czech)
    return TrFormatInts(Text::ClockLine, language, {c.day, c.month, c.year, c.hour, c.minute});
  return TrFormatInts(Text::ClockLine, language, {c.year, c.month, c.day, c.hour, c.minute});
}

std::string SettingsSummary(const UnitSettings& s, int recordSize, Language language) {
  std::string line = s.accessTime == 0 ? std::string(Tr(Text::SummaryPermanentAccess, language))
                                       : TrFormat(Text::SummaryAccessTime, language, s.accessTime);
  line += TrFormat(Text::SummaryCommentLength, language, recordSize - 15);
  line += Tr(s.relayInversion ? Text::SummaryYesComma : Text::SummaryNoComma, language);
  line += Tr(Text::SummaryMainRelay, language);
  line += Tr(s.mainRelayInversion ? Text::SummaryYes : Text::SummaryNo, language);
  return line;
}

}  // namespace qel
