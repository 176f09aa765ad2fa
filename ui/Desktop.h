#pragma once

#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QUrl>

#include "texts/Language.h"

namespace qel {

// The program's home page: named in the About box and opened by Help when the help page is missing.
inline constexpr char kProjectWebPage[] = "https://qel-key.example.org/";
inline constexpr char kProjectName[] = "QEL key project";
inline constexpr char kHelpFileName[] = "QEL_help.htm";

// Czech for a Czech or Slovak system, English for every other one.
Language StartLanguage(const QLocale& system);

// What Help opens: the help page in `currentDir` when it can be read there, else the home page.
QUrl HelpTarget(const QDir& currentDir);

// The window caption: the program's name, then its maker.
QString WindowCaption();

// The application icon, drawn rather than loaded so that the program needs no resource files.
QIcon ApplicationIcon();

}  // namespace qel
