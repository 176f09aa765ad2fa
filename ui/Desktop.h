#pragma once

#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QUrl>

#include "texts/Language.h"

namespace qel {

inline constexpr char kProjectName[] = "QEL key project";
inline constexpr char kHelpFileName[] = "QEL_help.htm";
// The copy of the help page built into the program.
inline constexpr char kBuiltInHelp[] = "qrc:/help/QEL_help.htm";

// Czech for a Czech or Slovak system, English for every other one.
Language StartLanguage(const QLocale& system);

// What Help opens: the help page in `currentDir` when it can be read there, else `installedPage`
// when it can be read, else the built-in copy.
QUrl HelpTarget(const QDir& currentDir, const QString& installedPage);

// The application icon, drawn rather than loaded so that the program needs no resource files.
QIcon ApplicationIcon();

}  // namespace qel
