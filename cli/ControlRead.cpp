#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Control.h"
#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

// info, list and watch: what the unit holds, read and printed.

namespace qel {
namespace {

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::string FloorNumbers(const Floors& floors) {
  std::string out = "[";
  for (int floor = 1; floor <= 24; ++floor) {
    if (!FloorPermitted(floors, floor)) continue;
    if (out.size() > 1) out += ',';
    out += std::to_string(floor);
  }
  return out + ']';
}

std::string ClockText(const UnitClock& clock) {
  if (clock.IsZero()) return {};
  char text[32];
  std::snprintf(text, sizeof text, "20%02d-%02d-%02d %02d:%02d:%02d", clock.year, clock.month, clock.day,
                clock.hour, clock.minute, clock.second);
  return text;
}

}  // namespace

int Control::SayIfCutShort() {
  if (view_->loadCutShort.empty()) return kExitDone;
  view_->Message(view_->loadCutShort);
  return kExitUnitFailed;
}

int Control::Info(ControlSession& session) {
  UnitController& c = session.controller();
  const UnitSettings& s = c.settings();
  const int commentLength = c.image().RecordSize() - static_cast<int>(kCommentOffset);
  const std::size_t keys = c.image().BuildKeyList().size();
  const std::string name = Cp1250ToUtf8(s.elevatorName);
  const std::string clock = ClockText(s.unitClock);
  const auto flag = [](bool on) { return on ? "true" : "false"; };
  if (Flag("--json")) {
    out_ << "{\"firmware\": " << JsonString(s.firmware)
         << ", \"clock\": " << (clock.empty() ? "null" : JsonString(clock))
         << ", \"name\": " << JsonString(name) << ", \"accessTime\": " << s.accessTime
         << ", \"permanentAccess\": " << flag(s.accessTime == 0) << ", \"commentLength\": " << commentLength
         << ", \"relayInversion\": " << flag(s.relayInversion != 0)
         << ", \"mainRelayInversion\": " << flag(s.mainRelayInversion != 0) << ", \"keyCount\": " << keys
         << "}\n";
    return SayIfCutShort();
  }
  const auto yesNo = [this](bool on) { return Tr(on ? Text::CtlYes : Text::CtlNo, l_); };
  out_ << TrFormat(Text::CtlInfo, l_,
                   {s.firmware, clock, name, std::to_string(s.accessTime), yesNo(s.accessTime == 0),
                    std::to_string(commentLength), yesNo(s.relayInversion != 0),
                    yesNo(s.mainRelayInversion != 0), std::to_string(keys)});
  return SayIfCutShort();
}

int Control::List(ControlSession& session) {
  KeyMemoryImage& image = session.controller().image();
  const std::vector<KeyListRow> rows = image.BuildKeyList();
  const bool json = Flag("--json");
  if (json) out_ << '[';
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const KeyListRow& row = rows[i];
    const Floors floors = image.FloorsAt(row.id);
    if (json) {
      out_ << (i == 0 ? "\n" : ",\n") << "  {\"id\": " << row.id << ", \"code\": " << JsonString(row.keyCode)
           << ", \"floors\": " << FloorNumbers(floors) << ", \"comment\": " << JsonString(row.comment) << '}';
    } else {
      out_ << row.id << '\t' << row.keyCode << '\t' << FloorListText(floors) << '\t' << row.comment << '\n';
    }
  }
  if (json) out_ << (rows.empty() ? "]\n" : "\n]\n");
  return SayIfCutShort();
}

int Control::Watch(ControlSession& session) {
  UnitController& c = session.controller();
  view_->Message(Tr(Text::CtlWatching, l_));
  bool wasHeld = false;
  KeyCode lastCode{};
  session.loop().RunUntil([&] {
    const bool held = c.selection().keyAtReader();
    if (held && (!wasHeld || c.selection().readerCode() != lastCode)) {
      const std::optional<int> id = c.image().FindKeyCode(c.selection().readerCode());
      const std::string code = Cp1250ToUtf8(KeyCodeToText(c.selection().readerCode()));
      if (id)
        out_ << *id << '\t' << Cp1250ToUtf8(c.image().CommentText(*id)) << '\t' << code << std::endl;
      else
        out_ << "-\t" << Tr(Text::CtlUnknownKey, l_) << '\t' << code << std::endl;
    }
    wasHeld = held;
    lastCode = c.selection().readerCode();
    return !c.sequencer().linkOpen();
  });
  // Ctrl+C is how a watch ends.
  return TickLoop::Interrupted() && c.sequencer().linkOpen() ? kExitDone : session.Status();
}

}  // namespace qel
