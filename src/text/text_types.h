#pragma once
// The value types every layer passes around.
#include <cstdint>
#include <string>
#include <vector>

namespace velmorin {

// Code-page-936 (GBK) bytes, never holding a zero byte. Positions count bytes from 1.
// The empty text and an absent text are the same value.
using Text = std::string;

// A counted byte buffer that may hold zero bytes anywhere.
using Bytes = std::vector<std::uint8_t>;

// Local date-time: days since 1899-12-30 00:00, the fraction being the time of day.
using DateTime = double;

// An ordered list of texts, members numbered from 1.
class TextArray {
 public:
  TextArray() = default;
  explicit TextArray(std::vector<Text> members) : members_(std::move(members)) {}

  int count() const { return static_cast<int>(members_.size()); }
  // Member i, 1 <= i <= count(); any other index ends the process through fatalStop
  // (code 4 below 1, code 1 above count).
  const Text& member(int i) const;
  void append(Text member) { members_.push_back(std::move(member)); }
  const std::vector<Text>& members() const { return members_; }

 private:
  std::vector<Text> members_;
};

}  // namespace velmorin
