#include "dialogs/KeyImport.h"

#include <map>
#include <memory>

#include "sequencer/SaveKeys.h"
#include "texts/Texts.h"

namespace qel {

ImportPlan PlanImport(const std::vector<ImportedKey>& keys, const KeyMemoryImage& image) {
  ImportPlan plan;
  plan.maxComment = image.RecordSize() - static_cast<int>(kCommentOffset);
  for (const ImportedKey& key : keys)
    if (static_cast<int>(key.comment.size()) > plan.maxComment) plan.longComments.push_back(key.line);
  if (!plan.Ok()) return plan;
  // The save's time comes from the records as they will be stored.
  auto stored = std::make_unique<KeyMemoryImage>(image);
  const FreeSlotList& free = image.FreeSlots();
  std::size_t nextFree = 0;
  std::map<KeyCode, int> lineOf;
  for (const ImportedKey& key : keys) {
    if (const std::optional<int> id = image.FindKeyCode(key.code)) {
      plan.skipped.push_back({key, ImportSkip::Reason::HeldInUnit, *id});
    } else if (const auto [first, fresh] = lineOf.emplace(key.code, key.line); !fresh) {
      plan.skipped.push_back({key, ImportSkip::Reason::RepeatedInFile, first->second});
    } else if (nextFree == free.size() || free[nextFree] == kFreeSlotEnd) {
      plan.skipped.push_back({key, ImportSkip::Reason::NoFreeSlot});
    } else {
      const int id = static_cast<int>(free[nextFree++]);
      stored->StoreRecord(id, key.code, key.floors, key.comment);
      plan.duration += SaveKeysOperation::Duration(*stored, id);
      plan.keys.push_back({key, id});
    }
  }
  return plan;
}

std::string ImportSkipMessage(const ImportSkip& skip, Language language) {
  const std::string line = std::to_string(skip.key.line);
  const std::string code = KeyCodeToText(skip.key.code);
  switch (skip.reason) {
    case ImportSkip::Reason::HeldInUnit:
      return TrFormat(Text::CtlLineKeyHeld, language, {line, code, std::to_string(skip.other)});
    case ImportSkip::Reason::RepeatedInFile:
      return TrFormat(Text::CtlLineRepeated, language, {line, code, std::to_string(skip.other)});
    case ImportSkip::Reason::NoFreeSlot:
      break;
  }
  return TrFormat(Text::ImportLineNoFreeSlot, language, {line, code});
}

std::string LongCommentMessage(int line, int maxComment, Language language) {
  return TrFormat(Text::CtlLineCommentTooLong, language, {std::to_string(line), std::to_string(maxComment)});
}

std::string ImportSummary(const ImportPlan& plan, Language language) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(plan.duration).count();
  const std::string time =
      std::to_string(seconds / 60) + (seconds % 60 < 10 ? ":0" : ":") + std::to_string(seconds % 60);
  return TrFormat(Text::ImportSummary, language,
                  {std::to_string(plan.keys.size()), time, std::to_string(plan.skipped.size())});
}

std::string ImportRefusal(const CsvImport& parsed, const ImportPlan& plan, Language language) {
  std::string text;
  for (const CsvImportError& error : parsed.errors) text += CsvImportMessage(error, language) + '\n';
  for (const int line : plan.longComments) text += LongCommentMessage(line, plan.maxComment, language) + '\n';
  if (text.empty()) return text;
  return text + std::string(Tr(Text::CtlNotChanged, language));
}

}  // namespace qel
