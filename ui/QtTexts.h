#pragma once

#include <QString>
#include <string_view>

#include "texts/Texts.h"

namespace qel {

// The core speaks UTF-8; Qt speaks QString.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString QTr(Text id, Language language) { return ToQString(Tr(id, language)); }

// A button or menu text without its mnemonic marker, as a screen reader should say it.
inline QString WithoutMnemonic(QString text) { return text.remove(QLatin1Char('&')); }

}  // namespace qel
