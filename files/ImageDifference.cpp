#include "files/ImageDifference.h"

#include <algorithm>
#include <utility>

#include "texts/Cp1250.h"

namespace qel {
namespace {

struct CodedKey {
  KeyCode code;
  KeyEntry entry;
};

// Sorted by code; a stable sort keeps the records of one code in ID order for the pairing.
std::vector<CodedKey> KeysByCode(const KeyMemoryImage& image) {
  std::vector<CodedKey> keys;
  for (int i = 0; i < image.ListedCount(); ++i) {
    if (!image.IsUsed(i)) continue;
    keys.push_back({image.KeyCodeAt(i), {i, image.FloorsAt(i), Cp1250ToUtf8(image.CommentText(i))}});
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const CodedKey& x, const CodedKey& y) { return x.code < y.code; });
  return keys;
}

void AddSetting(std::vector<SettingDifference>& out, Setting setting, int before, int after) {
  if (before != after) out.push_back({setting, before, after});
}

}  // namespace

ImageDifference DiffImages(const KeyMemoryImage& a, const ImageSettings& aSettings, const KeyMemoryImage& b,
                           const ImageSettings& bSettings) {
  ImageDifference difference;
  AddSetting(difference.settings, Setting::AccessTime, aSettings.accessTime, bSettings.accessTime);
  AddSetting(difference.settings, Setting::RecordSize, aSettings.recordSize, bSettings.recordSize);
  AddSetting(difference.settings, Setting::RelayInversion, aSettings.relayInversion,
             bSettings.relayInversion);
  AddSetting(difference.settings, Setting::MainRelayInversion, aSettings.mainRelayInversion,
             bSettings.mainRelayInversion);

  std::vector<CodedKey> before = KeysByCode(a);
  std::vector<CodedKey> after = KeysByCode(b);
  auto& keys = difference.keys;
  auto x = before.begin();
  auto y = after.begin();
  while (x != before.end() || y != after.end()) {
    if (y == after.end() || (x != before.end() && x->code < y->code)) {
      keys.push_back({x->code, std::move(x->entry), std::nullopt});
      ++x;
    } else if (x == before.end() || y->code < x->code) {
      keys.push_back({y->code, std::nullopt, std::move(y->entry)});
      ++y;
    } else {
      if (x->entry != y->entry) keys.push_back({x->code, std::move(x->entry), std::move(y->entry)});
      ++x;
      ++y;
    }
  }
  const auto order = [](const KeyDifference& d) {
    return std::pair(d.after ? d.after->id : d.before->id, d.after.has_value());
  };
  std::sort(keys.begin(), keys.end(),
            [&order](const KeyDifference& p, const KeyDifference& q) { return order(p) < order(q); });
  return difference;
}

}  // namespace qel
