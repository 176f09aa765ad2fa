#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"

namespace qel {

// A key as one backup holds it; the comment in UTF-8, as the key list shows it.
struct KeyEntry {
  int id;
  Floors floors;
  std::string comment;
  bool operator==(const KeyEntry&) const = default;
};

// One key code whose key is not the same in both backups: only `after` when it was added, only
// `before` when it was removed, both when it changed (ID, floors or comment).
struct KeyDifference {
  KeyCode code;
  std::optional<KeyEntry> before;
  std::optional<KeyEntry> after;
};

enum class Setting { AccessTime, RecordSize, RelayInversion, MainRelayInversion };

struct SettingDifference {
  Setting setting;
  int before;
  int after;
};

struct ImageDifference {
  // In the order of ImageSettings.
  std::vector<SettingDifference> settings;
  // By ID: a removed key by its ID in the first backup, before an added or changed one at the
  // same ID in the second.
  std::vector<KeyDifference> keys;
  bool Same() const { return settings.empty() && keys.empty(); }
};

// What changed from `a` to `b` among the listed used records. Keys are matched by their code, so
// a key that moved to another ID is changed, not removed and added; a code stored twice pairs
// its first record in `a` with its first in `b`, and so on. Comments compare as text, so keys
// agree across record sizes as long as the shorter comment field holds the whole comment.
ImageDifference DiffImages(const KeyMemoryImage& a, const ImageSettings& aSettings, const KeyMemoryImage& b,
                           const ImageSettings& bSettings);

}  // namespace qel
