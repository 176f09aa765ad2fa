#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keystore/KeyCode.h"
#include "keystore/KeyFilter.h"

namespace qel {

inline constexpr std::size_t kImageSize = 65536;
// The unit keeps its last 128 bytes out of the key list.
inline constexpr int kListedBytes = 65408;
inline constexpr int kMinRecordSize = 15;
inline constexpr int kMaxRecordSize = 250;
inline constexpr int kDefaultRecordSize = 100;
// The most records the image can hold (65536 / 15).
inline constexpr int kMostRecords = 4369;
inline constexpr std::size_t kFreeSlotCapacity = 6000;
inline constexpr std::uint32_t kFreeSlotEnd = 0xFFFF;

using ImageBytes = std::array<std::uint8_t, kImageSize>;
// 24 permission bits, little-endian: floor n is bit n - 1.
using Floors = std::array<std::uint8_t, 3>;
// Ascending free record indices among the listed records, then two kFreeSlotEnd entries.
using FreeSlotList = std::array<std::uint32_t, kFreeSlotCapacity>;

inline constexpr std::size_t kKeyCodeOffset = 0;
inline constexpr std::size_t kFloorsOffset = 12;
inline constexpr std::size_t kCommentOffset = 15;

constexpr bool IsValidRecordSize(int size) { return size >= kMinRecordSize && size <= kMaxRecordSize; }
constexpr int ListedRecordCount(int recordSize) { return kListedBytes / recordSize; }
constexpr int SearchedRecordCount(int recordSize) { return static_cast<int>(kImageSize) / recordSize; }

bool FloorPermitted(const Floors& floors, int floor);
// The comment in a record's comment field (Windows-1250): up to its first byte below 0x20 or
// 0xFF, or the whole field when it fills it. A unit may keep old bytes after that end.
std::string_view CommentIn(std::span<const std::uint8_t> field);
void SetFloor(Floors& floors, int floor, bool permitted);

// One row of the key list, ready to display (UTF-8).
// What the unit holds of a listed key when a write of it did not end as it should. The mark
// stays until the next load from the unit.
enum class KeyMark {
  None,
  DeletedNotStored,      // an edit deleted it in the unit and did not store it again
  NotStored,             // a new key never stored
  DeletionNotConfirmed,  // the unit did not confirm a delete: it may still hold the old key
};

struct KeyListRow {
  int id;
  std::string comment;
  std::string keyCode;
  KeyMark mark = KeyMark::None;
};

// The PC's copy of the unit's 64 KB key memory with its record size. Every access is bounded
// by the image: a record index whose record does not lie wholly inside it is neither used nor
// erased, and writes to it are refused. The record size is always 15 to 250; an invalid size
// is refused and the previous one kept, so it is never a divisor of anything else.
class KeyMemoryImage {
 public:
  KeyMemoryImage();

  const ImageBytes& Bytes() const { return image_; }
  int RecordSize() const { return recordSize_; }
  int ListedCount() const { return ListedRecordCount(recordSize_); }
  int SearchedCount() const { return SearchedRecordCount(recordSize_); }

  // Takes the unit's reported record size; false (and no change) outside 15 to 250.
  bool SetRecordSize(int recordSize);
  // Copies `bytes` to the image from `offset` on, as far as the image reaches; returns the
  // number of bytes copied. The rest of the image is left as it is.
  std::size_t WriteBytes(std::size_t offset, std::span<const std::uint8_t> bytes);
  // Takes over a whole image with its record size (archive restore); false and no change when
  // the size is invalid.
  bool Replace(const ImageBytes& image, int recordSize);

  // All bytes to 0x00. The caller refills the key list afterwards.
  void ClearImage();
  // All bytes to 0xFF, as the unit's own memory is where it holds nothing.
  void EraseImage();

  bool IsUsed(int index) const;
  bool IsErased(int index) const;
  // The record's bytes, empty when the record does not lie wholly inside the image.
  std::span<const std::uint8_t> Record(int index) const;
  KeyCode KeyCodeAt(int index) const;
  Floors FloorsAt(int index) const;
  // The record's comment (CommentIn), Windows-1250.
  std::string CommentText(int index) const;
  // How a key is named to the operator: its comment, or its code when it has none (Windows-1250).
  std::string KeyName(int index) const;

  std::optional<int> FindKeyCode(const KeyCode& code) const;
  bool IsDuplicateKeyCode(const KeyCode& code) const;
  // `comment` is Windows-1250; it is cut to the comment length without notice. False when
  // the record is outside the image.
  bool StoreRecord(int index, const KeyCode& code, const Floors& floors, std::string_view comment);
  bool ZeroKeyCode(int index);

  // The model side of the key list refill: the rows to show (the used listed records that
  // `filter` finds, in index order) and, as a side effect, the rebuilt FreeSlotList.
  std::vector<KeyListRow> BuildKeyList(const KeyFilter& filter = {});
  // The rows of the used records from `first` up to (not including) `end` that `filter` finds, in
  // index order: the part of the list a key load has just received.
  std::vector<KeyListRow> KeyRows(int first, int end, const KeyFilter& filter) const;
  const FreeSlotList& FreeSlots() const { return freeSlots_; }
  // Valid after BuildKeyList: the first free slot, and how many keys are listed, found or not.
  std::optional<int> FirstFreeSlot() const;
  int KeyCount() const { return keyCount_; }

  // Converts the image to a new record size; records keep their index, comments are cut or
  // padded with 0xFF, and everything from the first erased record on is erased. False and no
  // change for a size outside 15 to 250. The caller refills the key list afterwards.
  bool RelayoutKeyMemory(int newSize);

 private:
  bool RecordInImage(int index) const;
  // The row of a used record when `filter` finds it.
  std::optional<KeyListRow> RowIfFound(int index, const KeyFilter& filter) const;
  bool KeyCodeAllOf(int index, std::uint8_t value) const;

  ImageBytes image_{};
  int recordSize_ = kDefaultRecordSize;
  FreeSlotList freeSlots_{};
  int keyCount_ = 0;
};

// What a re-layout to a new record size would cost: keys it leaves out (past the new record count
// or behind an erased record) and kept keys whose comment it shortens.
struct RelayoutLosses {
  int keysDropped = 0;
  int commentsCut = 0;
  bool operator==(const RelayoutLosses&) const = default;
};
RelayoutLosses CountRelayoutLosses(const KeyMemoryImage& image, int newSize);

}  // namespace qel
