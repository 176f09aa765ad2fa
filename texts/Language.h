#pragma once

namespace qel {

// The program speaks Czech or English; the choice is made anew whenever a text is produced.
enum class Language { Czech, English };

// The main window keeps the language as an int flag: 0 is Czech, any other value English.
constexpr Language LanguageFromFlag(int flag) { return flag == 0 ? Language::Czech : Language::English; }
constexpr int LanguageFlag(Language language) { return language == Language::Czech ? 0 : 1; }

}  // namespace qel
