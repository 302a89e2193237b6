#pragma once
// A small text-stream object: bytes are written in byte mode, then read back as text
// decoded from a named character set (any name iconv knows) into code page 936.
// Calls that do not fit the stream's state fail and change nothing.
#include <cstdint>

#include "text/text_types.h"

namespace velmorin {

class TextStream {
 public:
  enum Type { Binary = 1, Textual = 2 };

  bool setType(int type);        // only at position 0
  bool setMode(int mode);        // 1 read, 2 write, 3 read and write
  bool setPosition(std::int64_t position);  // 0 .. size
  bool setCharset(const Text& name);  // only in text mode at position 0
  bool open();
  bool write(const Bytes& data);  // byte mode, at the position
  // The bytes from the position to the end, decoded from the character set; the empty
  // text when the set is unknown or the stream is not open in text mode. A UTF-8 byte
  // order mark is skipped. The text ends at its first zero character.
  Text readText();
  bool close();

 private:
  bool open_ = false;
  int type_ = Binary;
  int mode_ = 0;
  Text charset_;
  Bytes data_;
  std::size_t position_ = 0;
};

}  // namespace velmorin
