#include "fuzz/ReplyLine.h"

#include <algorithm>

namespace qel::fuzz {
namespace {

constexpr std::uint8_t kLongLength = 0xF0;

}  // namespace

int ReplyLine::Read(std::span<std::uint8_t> out) {
  if (!open_ || rest_.empty() || replies_ >= kMaxReplies) return 0;
  ++replies_;
  std::size_t length = rest_[0];
  rest_ = rest_.subspan(1);
  if (length >= kLongLength && !rest_.empty()) {
    length = ((length - kLongLength) << 8) + rest_[0];
    rest_ = rest_.subspan(1);
  }
  const std::span<const std::uint8_t> reply = rest_.first(std::min(length, rest_.size()));
  rest_ = rest_.subspan(reply.size());
  const std::size_t taken = std::min(reply.size(), out.size());
  std::copy_n(reply.begin(), taken, out.begin());
  return static_cast<int>(taken);
}

void AppendReply(std::vector<std::uint8_t>& input, std::span<const std::uint8_t> reply) {
  if (reply.size() >= kLongLength) {
    input.push_back(static_cast<std::uint8_t>(kLongLength + (reply.size() >> 8)));
    input.push_back(static_cast<std::uint8_t>(reply.size() & 0xFF));
  } else {
    input.push_back(static_cast<std::uint8_t>(reply.size()));
  }
  input.insert(input.end(), reply.begin(), reply.end());
}

}  // namespace qel::fuzz
