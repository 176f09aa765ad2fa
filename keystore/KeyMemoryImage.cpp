#include "keystore/KeyMemoryImage.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "texts/Cp1250.h"

namespace qel {

bool FloorPermitted(const Floors& floors, int floor) {
  if (floor < 1 || floor > 24) return false;
  return (floors[(floor - 1) / 8] >> ((floor - 1) % 8) & 1) != 0;
}

void SetFloor(Floors& floors, int floor, bool permitted) {
  if (floor < 1 || floor > 24) return;
  const auto bit = static_cast<std::uint8_t>(1u << ((floor - 1) % 8));
  std::uint8_t& byte = floors[(floor - 1) / 8];
  byte = static_cast<std::uint8_t>(permitted ? (byte | bit) : (byte & ~bit));
}

std::string_view CommentIn(std::span<const std::uint8_t> field) {
  const auto end =
      std::find_if(field.begin(), field.end(), [](std::uint8_t b) { return b < 0x20 || b == 0xFF; });
  return {reinterpret_cast<const char*>(field.data()), static_cast<std::size_t>(end - field.begin())};
}

namespace {

// Most comments and every 8-byte code are plain ASCII, which is already UTF-8; the refill of a
// full list stays one allocation per text that way.
std::string DisplayText(std::string&& bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::move(bytes);
  }
  return Cp1250ToUtf8(bytes);
}

}  // namespace

KeyMemoryImage::KeyMemoryImage() { freeSlots_.fill(kFreeSlotEnd); }

bool KeyMemoryImage::SetRecordSize(int recordSize) {
  if (!IsValidRecordSize(recordSize)) return false;
  recordSize_ = recordSize;
  return true;
}

std::size_t KeyMemoryImage::WriteBytes(std::size_t offset, std::span<const std::uint8_t> bytes) {
  if (offset >= kImageSize) return 0;
  const std::size_t count = std::min(bytes.size(), kImageSize - offset);
  std::copy_n(bytes.begin(), count, image_.begin() + static_cast<std::ptrdiff_t>(offset));
  return count;
}

bool KeyMemoryImage::Replace(const ImageBytes& image, int recordSize) {
  if (!IsValidRecordSize(recordSize)) return false;
  image_ = image;
  recordSize_ = recordSize;
  return true;
}

void KeyMemoryImage::ClearImage() { image_.fill(0x00); }

void KeyMemoryImage::EraseImage() { image_.fill(0xFF); }

bool KeyMemoryImage::RecordInImage(int index) const { return index >= 0 && index < SearchedCount(); }

std::span<const std::uint8_t> KeyMemoryImage::Record(int index) const {
  if (!RecordInImage(index)) return {};
  return std::span(image_).subspan(static_cast<std::size_t>(index) * static_cast<std::size_t>(recordSize_),
                                   static_cast<std::size_t>(recordSize_));
}

bool KeyMemoryImage::KeyCodeAllOf(int index, std::uint8_t value) const {
  const auto record = Record(index);
  return !record.empty() &&
         std::all_of(record.begin(), record.begin() + 12, [value](std::uint8_t b) { return b == value; });
}

bool KeyMemoryImage::IsUsed(int index) const {
  const auto record = Record(index);
  return !record.empty() && std::any_of(record.begin(), record.begin() + 12,
                                        [](std::uint8_t b) { return b != 0x00 && b != 0xFF; });
}

bool KeyMemoryImage::IsErased(int index) const { return KeyCodeAllOf(index, 0xFF); }

KeyCode KeyMemoryImage::KeyCodeAt(int index) const {
  KeyCode code{};
  const auto record = Record(index);
  if (!record.empty()) std::copy_n(record.begin() + kKeyCodeOffset, code.size(), code.begin());
  return code;
}

Floors KeyMemoryImage::FloorsAt(int index) const {
  Floors floors{};
  const auto record = Record(index);
  if (!record.empty()) std::copy_n(record.begin() + kFloorsOffset, floors.size(), floors.begin());
  return floors;
}

std::string KeyMemoryImage::CommentText(int index) const {
  const auto record = Record(index);
  if (record.empty()) return {};
  return std::string(CommentIn(record.subspan(kCommentOffset)));
}

std::string KeyMemoryImage::KeyName(int index) const {
  std::string comment = CommentText(index);
  return comment.empty() ? KeyCodeToText(KeyCodeAt(index)) : comment;
}

std::optional<int> KeyMemoryImage::FindKeyCode(const KeyCode& code) const {
  for (int i = 0; i < SearchedCount(); ++i) {
    if (std::equal(code.begin(), code.end(), Record(i).begin())) return i;
  }
  return std::nullopt;
}

bool KeyMemoryImage::IsDuplicateKeyCode(const KeyCode& code) const {
  for (int i = 0; i < SearchedCount(); ++i) {
    if (std::equal(code.begin(), code.end(), Record(i).begin())) return true;
    if (IsErased(i)) return false;
  }
  return false;
}

bool KeyMemoryImage::StoreRecord(int index, const KeyCode& code, const Floors& floors,
                                 std::string_view comment) {
  if (!RecordInImage(index)) return false;
  const auto record =
      std::span(image_).subspan(static_cast<std::size_t>(index) * static_cast<std::size_t>(recordSize_),
                                static_cast<std::size_t>(recordSize_));
  std::copy(code.begin(), code.end(), record.begin() + kKeyCodeOffset);
  std::copy(floors.begin(), floors.end(), record.begin() + kFloorsOffset);
  const auto commentField = record.subspan(kCommentOffset);
  std::fill(commentField.begin(), commentField.end(), 0x00);
  const std::size_t length = std::min(comment.size(), commentField.size());
  std::memcpy(commentField.data(), comment.data(), length);
  return true;
}

bool KeyMemoryImage::ZeroKeyCode(int index) {
  if (!RecordInImage(index)) return false;
  std::fill_n(image_.begin() + static_cast<std::ptrdiff_t>(index) * recordSize_, 12, 0x00);
  return true;
}

std::optional<KeyListRow> KeyMemoryImage::RowIfFound(int index, const KeyFilter& filter) const {
  std::string comment = CommentText(index);
  std::string code = KeyCodeToText(KeyCodeAt(index));
  if (!filter.Matches(comment, code)) return std::nullopt;
  if (filter.floor() && !FloorPermitted(FloorsAt(index), *filter.floor())) return std::nullopt;
  return KeyListRow{index, DisplayText(std::move(comment)), DisplayText(std::move(code)), KeyMark::None};
}

std::vector<KeyListRow> KeyMemoryImage::BuildKeyList(const KeyFilter& filter) {
  std::vector<KeyListRow> rows;
  rows.reserve(static_cast<std::size_t>(ListedCount()));
  std::size_t freeCount = 0;
  for (int i = 0; i < ListedCount(); ++i) {
    if (!IsUsed(i)) {
      freeSlots_[freeCount++] = static_cast<std::uint32_t>(i);
      continue;
    }
    if (std::optional<KeyListRow> row = RowIfFound(i, filter)) rows.push_back(std::move(*row));
  }
  // At most 4360 listed records, so both terminators always fit.
  freeSlots_[freeCount] = kFreeSlotEnd;
  freeSlots_[freeCount + 1] = kFreeSlotEnd;
  keyCount_ = ListedCount() - static_cast<int>(freeCount);
  return rows;
}

std::vector<KeyListRow> KeyMemoryImage::KeyRows(int first, int end, const KeyFilter& filter) const {
  std::vector<KeyListRow> rows;
  for (int i = std::max(first, 0); i < std::min(end, ListedCount()); ++i)
    if (IsUsed(i))
      if (std::optional<KeyListRow> row = RowIfFound(i, filter)) rows.push_back(std::move(*row));
  return rows;
}

std::optional<int> KeyMemoryImage::FirstFreeSlot() const {
  if (freeSlots_[0] == kFreeSlotEnd) return std::nullopt;
  return static_cast<int>(freeSlots_[0]);
}

bool KeyMemoryImage::RelayoutKeyMemory(int newSize) {
  if (!IsValidRecordSize(newSize)) return false;
  ImageBytes buffer;
  buffer.fill(0xFF);
  const int oldSize = recordSize_;
  const auto copied = static_cast<std::size_t>(std::min(newSize, oldSize));
  const int records = std::min(SearchedRecordCount(newSize), SearchedRecordCount(oldSize));
  for (int r = 0; r < records && !IsErased(r); ++r) {
    std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(r) * oldSize, copied,
                buffer.begin() + static_cast<std::ptrdiff_t>(r) * newSize);
  }
  image_ = buffer;
  recordSize_ = newSize;
  return true;
}

RelayoutLosses CountRelayoutLosses(const KeyMemoryImage& image, int newSize) {
  RelayoutLosses losses;
  auto after = std::make_unique<KeyMemoryImage>(image);
  if (!after->RelayoutKeyMemory(newSize)) return losses;
  for (int r = 0; r < image.SearchedCount(); ++r) {
    if (!image.IsUsed(r)) continue;
    if (r >= after->SearchedCount() || !after->IsUsed(r))
      ++losses.keysDropped;
    else if (after->CommentText(r) != image.CommentText(r))
      ++losses.commentsCut;
  }
  return losses;
}

}  // namespace qel
