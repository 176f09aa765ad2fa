#pragma once

#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QSize>
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

// Where a window whose frame has `size` stands beside the frame `beside`, `gap` apart, wholly on
// `screen`: at its right, else at its left, below, above; else inside the screen's right edge.
QPoint PlaceBeside(const QRect& beside, const QSize& size, const QRect& screen, int gap);

// The application icon, drawn rather than loaded so that the program needs no resource files.
QIcon ApplicationIcon();

}  // namespace qel
