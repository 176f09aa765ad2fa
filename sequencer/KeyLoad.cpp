#include "sequencer/KeyLoad.h"

#include <algorithm>
#include <vector>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {

void KeyLoadOperation::Start() {
  Sequencer& s = c_.sequencer();
  // Only what this load receives may be listed: nothing of an earlier unit or load survives.
  c_.image().EraseImage();
  erasedRecordSeen = 0;
  s.currentTimerId = s.StartOperation(kKeyLoadTimer, kPeriod);
  s.SendByte(unit::kReadMemory);
  loadedBytes = 0;
  s.AppendLog("");
}

void KeyLoadOperation::Tick() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  s.AppendProgress("*");
  if (n <= 0) {
    s.ReportError(650, ErrorKind::LinkLost, "");
    cutShort = true;
    ForgetUnfinishedRecord();
    c_.RefillKeyList();
    return;
  }
  if (loadedBytes < kLoadLimit) {
    const int kept = std::min(n, kLoadLimit - loadedBytes);
    c_.image().WriteBytes(static_cast<std::size_t>(loadedBytes), std::span(s.port().ReadBuffer).first(kept));
  }
  loadedBytes += n;

  erasedRecordSeen = LastReceivedRecordErased() ? 1 : 0;
  if (erasedRecordSeen == 1 || loadedBytes >= kLoadLimit) {
    s.ReturnToWatchdog(s.currentTimerId);
    s.AppendLog(Tr(Text::KeysLoaded, s.language()));
    if (erasedRecordSeen == 1) s.SendByte(unit::kStop);
    cutShort = false;
    c_.RefillKeyList();
  }
}

void KeyLoadOperation::ForgetUnfinishedRecord() {
  // Its missing bytes are 0xFF: listed, it would show a key code or floors the unit does not hold.
  // A record whose comment alone is cut short still shows its key as the unit holds it.
  const int size = c_.image().RecordSize();
  const int start = loadedBytes / size * size;
  const int received = loadedBytes - start;
  if (received >= static_cast<int>(kCommentOffset)) return;
  const std::vector<std::uint8_t> erased(static_cast<std::size_t>(received), 0xFF);
  c_.image().WriteBytes(static_cast<std::size_t>(start), erased);
}

bool KeyLoadOperation::LastReceivedRecordErased() const {
  // Judging the record at loadedBytes / recordSize would read bytes that have not arrived yet
  // and so judge what an earlier load left in the image; judge only a record of this load.
  // The image's tail may hold a record cut short by the 64 KB; its first 15 bytes still count.
  const KeyMemoryImage& image = c_.image();
  const int received = std::min(loadedBytes, kLoadLimit);
  const int head = static_cast<int>(kCommentOffset);
  if (received < head) return false;
  const int start = (received - head) / image.RecordSize() * image.RecordSize();
  const auto bytes = std::span(image.Bytes()).subspan(static_cast<std::size_t>(start), kCommentOffset);
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

}  // namespace qel
