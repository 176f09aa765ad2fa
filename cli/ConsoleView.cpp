#include "cli/ConsoleView.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "texts/Texts.h"

namespace qel {
namespace {

constexpr int kBarWidth = 30;

// The lines a load or a delete fills with marks: the bar says it better.
bool OnlyMarks(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == '*' || c == ' '; });
}

// The texts of boxes and log lines end lines in CR LF, as the window's controls want them.
std::string ConsoleText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Characters, not bytes, of UTF-8 text: what a line on a terminal takes.
std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

// The lines of a text whose lines end in CR LF, and the unended rest last.
std::vector<std::string> SplitCrLf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n", start)) {
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

ConsoleView::ConsoleView(ConsoleSetup setup, std::ostream& err, std::istream& in)
    : setup_(setup), err_(err), in_(in) {}

bool ConsoleView::Ask(std::string_view question) {
  if (setup_.assumeYes) return true;
  if (!setup_.interactive) {
    PrintLine(question);
    PrintLine(Tr(Text::CtlNoTerminalToAsk, setup_.language));
    return false;
  }
  ClearBar();
  err_ << ConsoleText(question) << ' ' << Tr(Text::CtlYesNoPrompt, setup_.language) << std::flush;
  std::string answer;
  if (!std::getline(in_, answer)) return false;
  answer.erase(0, answer.find_first_not_of(' '));
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y' || answer[0] == 'a' || answer[0] == 'A');
}

void ConsoleView::Message(std::string_view text) { PrintLine(text); }

void ConsoleView::PrintLine(std::string_view text) {
  ClearBar();
  err_ << ConsoleText(text) << '\n' << std::flush;
}

void ConsoleView::ClearBar() {
  if (!barShown_) return;
  if (setup_.escapes)
    err_ << "\r\033[K";
  else
    err_ << '\r' << std::string(barWidth_, ' ') << '\r';
  err_ << std::flush;
  barShown_ = false;
}

void ConsoleView::DrawBar(std::string_view what, int percent, std::string_view timeLeft) {
  if (!setup_.progressBar) return;
  std::string bar(kBarWidth, '-');
  if (percent >= 0) {
    std::fill_n(bar.begin(), std::clamp(percent, 0, 100) * kBarWidth / 100, '#');
  } else {
    // Only the unit knows the end: a block that walks to and fro says the work goes on.
    const int position = barPhase_++ % (2 * kBarWidth - 2);
    bar[static_cast<std::size_t>(position < kBarWidth ? position : 2 * kBarWidth - 2 - position)] = '#';
  }
  std::string line = ConsoleText(what) + " [" + bar + ']';
  if (percent >= 0) line += ' ' + std::to_string(percent) + " %";
  if (!timeLeft.empty()) line += "  " + std::string(timeLeft);
  if (setup_.escapes) {
    err_ << "\r\033[K" << line;
  } else {
    // Blanks over what a longer bar before left standing.
    const std::size_t width = Characters(line);
    err_ << '\r' << line << std::string(barShown_ && barWidth_ > width ? barWidth_ - width : 0, ' ');
    barWidth_ = std::max(width, barShown_ ? barWidth_ : 0);
  }
  err_ << std::flush;
  barShown_ = true;
}

std::vector<std::string> ConsoleView::LogLines() const {
  // The log is newest first and every line ends in CR LF: the rest after the last is empty.
  std::vector<std::string> lines = SplitCrLf(logText_);
  lines.pop_back();
  std::reverse(lines.begin(), lines.end());
  return lines;
}

void ConsoleView::FlushLog() {
  const std::vector<std::string> lines = LogLines();
  for (; linesPrinted_ < lines.size(); ++linesPrinted_) {
    const std::string& line = lines[linesPrinted_];
    if (!OnlyMarks(line) && !boxTexts_.contains(line)) PrintLine(line);
  }
}

void ConsoleView::ShowSerialWarning(std::string_view text) { PrintLine(text); }

void ConsoleView::ShowMessageBox(std::string_view, std::string_view text) {
  // The log often repeats a box line for line; the console says it once.
  for (std::string& line : SplitCrLf(text)) boxTexts_.insert(std::move(line));
  PrintLine(text);
}

void ConsoleView::SetCommandEnabled(Command, bool) {}

void ConsoleView::SetConnectText(std::string_view, bool) {}

void ConsoleView::ShowLog(std::string_view logText) {
  logText_ = logText;
  if (!setup_.verbose) return;
  // The newest line may still grow marks; the others are final.
  const std::vector<std::string> lines = LogLines();
  for (; linesPrinted_ + 1 < lines.size(); ++linesPrinted_) {
    const std::string& line = lines[linesPrinted_];
    if (!OnlyMarks(line) && !boxTexts_.contains(line)) PrintLine(line);
  }
}

void ConsoleView::ShowProgress(std::string_view what, int percent, std::string_view timeLeft) {
  DrawBar(what, percent, timeLeft);
}

void ConsoleView::HideProgress() { ClearBar(); }

std::optional<ConnectChoice> ConsoleView::AskConnect(Language, std::string_view) { return connectChoice; }

bool ConsoleView::AskYesNo(std::string_view, std::string_view, DefaultAnswer) {
  // The window's own questions come after the command line has said what to do: the key to
  // delete is named there, and a backup after a failed rewrite is always wanted. No one is at
  // the keyboard to press Enter, so the default answer plays no part.
  return true;
}

void ConsoleView::ShowKeyRows(std::vector<KeyListRow>) {}

void ConsoleView::SetRowHighlight(int, bool) {}

void ConsoleView::ShowKeyAtReader(bool) {}

void ConsoleView::ShowFloors(const Floors&) {}

void ConsoleView::ShowFilterSummary(std::string_view) {}

void ConsoleView::ShowSettingsLine(std::string_view, std::string_view) {}

void ConsoleView::ApplyTexts(Language language) { setup_.language = language; }

}  // namespace qel
