#include "sequencer/KeyLoad.h"

#include <algorithm>
#include <vector>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {

namespace {

// The unit streams its memory at the line's speed: 1920 bytes a second.
constexpr int kBytesPerSecond = 1920;

std::chrono::milliseconds TimeFor(int bytes) {
  return std::chrono::milliseconds{static_cast<long long>(bytes) * 1000 / kBytesPerSecond};
}

}  // namespace

void KeyLoadOperation::Prepare() {
  // A fresh load shows what the unit holds: nothing is in doubt any more.
  ledger_.ForgetMarks();
  // Only what this load receives may be listed: nothing of an earlier unit or load survives.
  image_.EraseImage();
  s_.DiscardInput();
}

void KeyLoadOperation::Begin() {
  s_.SendByte(unit::kReadMemory);
  loadedBytes_ = 0;
  arrivedRecords_ = 0;
  arrivedKeys_ = 0;
  cutShort_ = false;
  s_.AppendLog("");
  // The load ends at the first erased record, which only the unit knows: the bar counts towards a
  // full memory, and the time is the most it can still take.
  s_.BeginProgress(TimeFor(static_cast<int>(kImageSize)), true);
  TellArrivedKeys();
}

Outcome KeyLoadOperation::Tick() {
  const int n = s_.ReadReply();
  s_.AppendProgress("*");
  if (n <= 0) {
    s_.ReportError(650, ErrorKind::LinkLost, "");
    cutShort_ = true;
    ForgetUnfinishedRecord();
    events_.KeysChanged();
    return Outcome::Failed;
  }
  if (loadedBytes_ < kLoadLimit) {
    const int kept = std::min(n, kLoadLimit - loadedBytes_);
    image_.WriteBytes(static_cast<std::size_t>(loadedBytes_), std::span(s_.port().ReadBuffer).first(kept));
  }
  loadedBytes_ += n;
  TellArrivedKeys();
  s_.ProgressAt(TimeFor(loadedBytes_));

  const bool erasedRecordSeen = LastReceivedRecordErased();
  if (!erasedRecordSeen && loadedBytes_ < kLoadLimit) return Outcome::Going;
  s_.AppendLog(Tr(Text::KeysLoaded, s_.language()));
  if (erasedRecordSeen) s_.SendByte(unit::kStop);
  cutShort_ = false;
  events_.KeysChanged();
  return Outcome::Done;
}

void KeyLoadOperation::TellArrivedKeys() {
  const int received = std::min(loadedBytes_, kLoadLimit);
  const int records = std::min(received / image_.RecordSize(), image_.ListedCount());
  for (; arrivedRecords_ < records; ++arrivedRecords_)
    if (image_.IsUsed(arrivedRecords_)) ++arrivedKeys_;
  s_.SetProgressText(
      TrFormatInts(Text::KeyLoadProgress, s_.language(), {arrivedKeys_, image_.ListedCount()}));
  events_.KeysArrived(received);
}

void KeyLoadOperation::ForgetUnfinishedRecord() {
  // Its missing bytes are 0xFF: listed, it would show a key code or floors the unit does not hold.
  // A record whose comment alone is cut short still shows its key as the unit holds it.
  const int size = image_.RecordSize();
  const int start = loadedBytes_ / size * size;
  const int received = loadedBytes_ - start;
  if (received >= static_cast<int>(kCommentOffset)) return;
  const std::vector<std::uint8_t> erased(static_cast<std::size_t>(received), 0xFF);
  image_.WriteBytes(static_cast<std::size_t>(start), erased);
}

bool KeyLoadOperation::LastReceivedRecordErased() const {
  // Judging the record at loadedBytes / recordSize would read bytes that have not arrived yet
  // and so judge what an earlier load left in the image; judge only a record of this load.
  // The image's tail may hold a record cut short by the 64 KB; its first 15 bytes still count.
  const int received = std::min(loadedBytes_, kLoadLimit);
  const int head = static_cast<int>(kCommentOffset);
  if (received < head) return false;
  const int start = (received - head) / image_.RecordSize() * image_.RecordSize();
  const auto bytes = std::span(image_.Bytes()).subspan(static_cast<std::size_t>(start), kCommentOffset);
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

}  // namespace qel
