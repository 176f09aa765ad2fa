#include "tests/support/RecordingView.h"

#include <algorithm>

namespace qel::test {

void RecordingView::SetRowHighlight(int row, bool on) {
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  // The highlight leaves the selection alone, as the list's does.
  if (on)
    highlighted.insert(row);
  else
    highlighted.erase(row);
}

std::vector<std::string> RecordingView::LogLines() const {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(log.substr(start, end - start));
  if (start < log.size()) lines.push_back(log.substr(start));
  return lines;
}

long RecordingView::Logged(std::string_view line) const {
  const std::vector<std::string> lines = LogLines();
  return std::count(lines.begin(), lines.end(), line);
}

std::vector<int> RecordingView::FloorsShown() const {
  std::vector<int> shown;
  for (int floor = 1; floor <= 24; ++floor)
    if (FloorPermitted(floors, floor)) shown.push_back(floor);
  return shown;
}

}  // namespace qel::test
