#include "controller/KeyBatch.h"

#include <utility>

#include "texts/Texts.h"

namespace qel {
namespace {

constexpr int kTopFloor = 24;

std::string IdList(std::vector<int>::const_iterator first, std::vector<int>::const_iterator last) {
  std::string ids;
  for (auto id = first; id != last; ++id) ids += (ids.empty() ? "" : ", ") + std::to_string(*id);
  return ids;
}

}  // namespace

Floors ChangedFloors(const Floors& floors, const FloorChange& change) {
  Floors changed{};
  for (std::size_t i = 0; i < floors.size(); ++i)
    changed[i] = static_cast<std::uint8_t>((floors[i] | change.add[i]) & ~change.remove[i]);
  return changed;
}

std::string JudgeFloorChange(std::size_t keys, const FloorChange& change, Language language) {
  if (keys == 0) return std::string(Tr(Text::FloorChangeNoKeys, language));
  for (int floor = 1; floor <= kTopFloor; ++floor)
    if (FloorPermitted(change.add, floor) && FloorPermitted(change.remove, floor))
      return TrFormat(Text::FloorChangeBoth, language, {std::to_string(floor)});
  if (change.add == Floors{} && change.remove == Floors{})
    return std::string(Tr(Text::FloorChangeEmpty, language));
  return {};
}

void KeyBatch::Start(Kind kind, std::vector<int> records, FloorChange change) {
  kind_ = kind;
  records_ = std::move(records);
  change_ = change;
  done_ = 0;
  inHand_ = false;
  stopAsked_ = false;
}

std::optional<int> KeyBatch::Next() {
  if (inHand_) ++done_;
  inHand_ = !stopAsked_ && done_ < records_.size();
  if (!inHand_) return std::nullopt;
  return records_[done_];
}

std::vector<std::string> KeyBatch::Report(Language language) const {
  std::vector<std::string> lines;
  const auto inHandEnd = records_.begin() + static_cast<std::ptrdiff_t>(done_);
  if (done_ > 0)
    lines.push_back(TrFormat(kind_ == Kind::Delete ? Text::BatchKeysDeleted : Text::BatchKeysChanged,
                             language, {IdList(records_.begin(), inHandEnd)}));
  const auto waiting = inHandEnd + (inHand_ ? 1 : 0);
  if (waiting != records_.end())
    lines.push_back(TrFormat(Text::BatchKeysNotStarted, language, {IdList(waiting, records_.end())}));
  return lines;
}

}  // namespace qel
