// Throughput of the text search operations over 4 MB texts, next to memmem and
// std::string on the same data. Two texts: ASCII-heavy JSON-like listings and
// double-byte-heavy prose; each is searched for a marker that sits only at its end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "text/text_ops.h"

namespace {

using velmorin::Text;

constexpr std::size_t kSize = 4 << 20;

class Lcg {
 public:
  std::uint32_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }

 private:
  std::uint64_t state_ = 0x5eed;
};

void appendHanzi(Text& t, Lcg& rng) {
  t += static_cast<char>(0xB0 + rng.below(0x28));  // B0..D7: common characters
  t += static_cast<char>(0xA1 + rng.below(0x5E));  // A1..FE
}

const Text& jsonText() {
  static const Text text = [] {
    Lcg rng;
    Text t = "[album_begin]";
    t.reserve(kSize + 256);
    while (t.size() < kSize) {
      t += "{\"pid\":\"" + std::to_string(3000000000u + rng.below(1000000000u)) +
           "\",\"pic_host\":\"http://ww" + std::to_string(1 + rng.below(4)) +
           ".sinaimg.cn\",\"pic_name\":\"" + std::to_string(rng.next()) + "gy1h" +
           std::to_string(rng.next()) + ".jpg\",\"caption\":\"";
      int words = 2 + static_cast<int>(rng.below(6));
      for (int i = 0; i < words; ++i) {
        if (rng.below(8) == 0)
          appendHanzi(t, rng);
        else
          t += "photo" + std::to_string(rng.below(100));
        t += ' ';
      }
      t += "\",\"timestamp\":" + std::to_string(1600000000u + rng.below(100000000u)) + "},";
    }
    t += "{\"album_end\":\"last\"}";
    return t;
  }();
  return text;
}

const Text& proseText() {
  static const Text text = [] {
    Lcg rng;
    Text t = "\xF2\xA1\xF3\xA2";
    t.reserve(kSize + 256);
    const Text comma = "\xA3\xAC", stop = "\xA1\xA3";
    while (t.size() < kSize) {
      int clause = 4 + static_cast<int>(rng.below(14));
      for (int i = 0; i < clause; ++i) appendHanzi(t, rng);
      switch (rng.below(10)) {
        case 0: t += stop; t += "\n"; break;
        case 1: t += " " + std::to_string(rng.below(2025)) + " "; break;
        case 2: case 3: t += stop; break;
        default: t += comma;
      }
    }
    t += "\xF0\xA1" "42" "\xF1\xA2";
    return t;
  }();
  return text;
}

// Markers found only at the ends of the texts. The prose markers use lead bytes the prose
// never holds, so they cannot occur earlier, not even across a character boundary.
struct Corpus {
  const Text& text;
  Text first, last;           // markers at the beginning and at the end
  Text left, right;           // textBetween markers around the last value
  Text separator, find, replacement;
};

const Corpus& json() {
  static const Corpus c{jsonText(),    "[album_begin]", "\"album_end\":", velmorin::fromUtf8("\"album_end\":#引号"),
                        velmorin::fromUtf8("#引号"), "},",            "\"pid\"",        "\"photo_id\""};
  return c;
}
const Corpus& prose() {
  static const Corpus c{proseText(),      "\xF2\xA1\xF3\xA2", "\xF0\xA1" "42", "\xF0\xA1",
                        "\xF1\xA2",       "\xA1\xA3",         "\xA3\xAC", ", "};
  return c;
}

void finish(benchmark::State& state, const Text& t) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(t.size()));
}

void findText(benchmark::State& state, const Corpus& c) {
  int expected = static_cast<int>(c.text.rfind(c.last)) + 1;
  if (velmorin::findText(c.text, c.last) != expected) state.SkipWithError("wrong position");
  for (auto _ : state) benchmark::DoNotOptimize(velmorin::findText(c.text, c.last));
  finish(state, c.text);
}
void memmem(benchmark::State& state, const Corpus& c) {
  for (auto _ : state)
    benchmark::DoNotOptimize(::memmem(c.text.data(), c.text.size(), c.last.data(), c.last.size()));
  finish(state, c.text);
}
void stringFind(benchmark::State& state, const Corpus& c) {
  for (auto _ : state) benchmark::DoNotOptimize(c.text.find(c.last));
  finish(state, c.text);
}
void findTextReverse(benchmark::State& state, const Corpus& c) {
  if (velmorin::findTextReverse(c.text, c.first) != 1) state.SkipWithError("wrong position");
  for (auto _ : state) benchmark::DoNotOptimize(velmorin::findTextReverse(c.text, c.first));
  finish(state, c.text);
}
void stringRfind(benchmark::State& state, const Corpus& c) {
  for (auto _ : state) benchmark::DoNotOptimize(c.text.rfind(c.first));
  finish(state, c.text);
}
void textBetween(benchmark::State& state, const Corpus& c) {
  if (velmorin::textBetween(c.text, c.left, c.right).empty()) state.SkipWithError("no value");
  for (auto _ : state) benchmark::DoNotOptimize(velmorin::textBetween(c.text, c.left, c.right));
  finish(state, c.text);
}
void splitText(benchmark::State& state, const Corpus& c) {
  for (auto _ : state) benchmark::DoNotOptimize(velmorin::splitText(c.text, c.separator));
  state.counters["pieces"] =
      static_cast<double>(velmorin::splitText(c.text, c.separator).count());
  finish(state, c.text);
}
void stringSplit(benchmark::State& state, const Corpus& c) {
  for (auto _ : state) {
    std::vector<Text> pieces;
    std::size_t p = 0, q;
    while ((q = c.text.find(c.separator, p)) != Text::npos) {
      pieces.emplace_back(c.text, p, q - p);
      p = q + c.separator.size();
    }
    if (p < c.text.size()) pieces.emplace_back(c.text, p);
    benchmark::DoNotOptimize(pieces);
  }
  finish(state, c.text);
}
void replaceText(benchmark::State& state, const Corpus& c) {
  for (auto _ : state)
    benchmark::DoNotOptimize(velmorin::replaceText(c.text, c.find, c.replacement));
  finish(state, c.text);
}
void stringReplace(benchmark::State& state, const Corpus& c) {
  for (auto _ : state) {
    Text out;
    out.reserve(c.text.size());
    std::size_t p = 0, q;
    while ((q = c.text.find(c.find, p)) != Text::npos) {
      out.append(c.text, p, q - p);
      out += c.replacement;
      p = q + c.find.size();
    }
    out.append(c.text, p);
    benchmark::DoNotOptimize(out);
  }
  finish(state, c.text);
}

#define VELMORIN_PAIR(fn)                                                       \
  void BM_##fn##_Json(benchmark::State& s) { fn(s, json()); }                   \
  void BM_##fn##_Prose(benchmark::State& s) { fn(s, prose()); }                 \
  BENCHMARK(BM_##fn##_Json);                                                    \
  BENCHMARK(BM_##fn##_Prose);

VELMORIN_PAIR(findText)
VELMORIN_PAIR(memmem)
VELMORIN_PAIR(stringFind)
VELMORIN_PAIR(findTextReverse)
VELMORIN_PAIR(stringRfind)
VELMORIN_PAIR(textBetween)
VELMORIN_PAIR(splitText)
VELMORIN_PAIR(stringSplit)
VELMORIN_PAIR(replaceText)
VELMORIN_PAIR(stringReplace)

}  // namespace

BENCHMARK_MAIN();
