#include "platform/text_stream.h"

#include <string>

#include "platform/codepage.h"

namespace velmorin {
namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

bool TextStream::setType(int type) {
  if ((type != Binary && type != Textual) || position_ != 0) return false;
  type_ = type;
  return true;
}

bool TextStream::setMode(int mode) {
  if (open_ || mode < 0 || mode > 3) return false;
  mode_ = mode;
  return true;
}

bool TextStream::setPosition(std::int64_t position) {
  if (!open_ || position < 0 || static_cast<std::size_t>(position) > data_.size()) return false;
  position_ = static_cast<std::size_t>(position);
  return true;
}

bool TextStream::setCharset(const Text& name) {
  if (type_ != Textual || position_ != 0 || name.empty()) return false;
  charset_ = name;
  return true;
}

bool TextStream::open() {
  if (open_) return false;
  open_ = true;
  data_.clear();
  position_ = 0;
  return true;
}

bool TextStream::write(const Bytes& data) {
  if (!open_ || type_ != Binary || (mode_ & 2) == 0) return false;
  data_.resize(position_);
  data_.insert(data_.end(), data.begin(), data.end());
  position_ = data_.size();
  return true;
}

Text TextStream::readText() {
  if (!open_ || type_ != Textual || (mode_ & 1) == 0 || charset_.empty()) return Text();
  std::string_view rest(reinterpret_cast<const char*>(data_.data()) + position_,
                        data_.size() - position_);
  std::string name = lower(charset_);
  if ((name == "utf-8" || name == "utf8") && rest.substr(0, 3) == "\xEF\xBB\xBF")
    rest.remove_prefix(3);
  auto decoded = convertCharset(rest, charset_, "CP936");
  position_ = data_.size();
  if (!decoded) return Text();
  Text text = std::move(*decoded);
  if (auto z = text.find('\0'); z != Text::npos) text.resize(z);
  return text;
}

bool TextStream::close() {
  if (!open_) return false;
  open_ = false;
  data_.clear();
  position_ = 0;
  return true;
}

}  // namespace velmorin
