#include "platform/regexp_object.h"

#include <pcre2.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace velmorin {
namespace {

constexpr size_t kUnset = PCRE2_UNSET;

struct Span {
  size_t begin = kUnset;
  size_t end = kUnset;
  bool set() const { return begin != kUnset; }
};

// One match over the UTF-8 subject: the whole match, then groups 1..n.
struct MatchRecord {
  std::vector<Span> spans;
  int firstIndex = 0;  // UTF-16 units before the match
  int length = 0;      // UTF-16 units of the match
};

// The UTF-8 subject and the matches found in it, shared by a collection and its items.
struct MatchSet {
  std::string subject;
  std::vector<MatchRecord> matches;
};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

int utf16Units(const std::string& s, size_t from, size_t to) {
  int units = 0;
  for (size_t i = from; i < to; ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (!isContinuation(c)) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

Text spanText(const MatchSet& set, const Span& span) {
  if (!span.set()) return Text();
  return fromUtf8(std::string_view(set.subject).substr(span.begin, span.end - span.begin));
}

bool textArgument(std::span<const Variant> args, size_t i, Text& out) {
  if (i >= args.size()) return false;
  auto t = variantToText(args[i]);
  if (!t) return false;
  out = std::move(*t);
  return true;
}

// Item(i) of a list of n entries: the 0-based index, or -1 when it is missing or outside.
long long itemIndex(std::span<const Variant> args, size_t n) {
  if (args.size() != 1) return -1;
  auto i = variantToIndex(args[0]);
  if (!i || *i < 0 || static_cast<unsigned long long>(*i) >= n) return -1;
  return *i;
}

// Read-only objects answer a method call of a member like a property read.
class ReadOnlyObject : public AutomationObject {
 public:
  bool putProperty(std::string_view, const Variant&) override { return false; }
  bool callMethod(std::string_view name, std::span<const Variant> args,
                  Variant& result) override {
    return getProperty(name, args, result);
  }
};

class SubMatchesObject : public ReadOnlyObject {
 public:
  SubMatchesObject(std::shared_ptr<const MatchSet> set, size_t match)
      : set_(std::move(set)), match_(match) {}

  bool getProperty(std::string_view name, std::span<const Variant> args,
                   Variant& result) override {
    const auto& spans = set_->matches[match_].spans;
    size_t groups = spans.size() - 1;
    if (sameMemberName(name, "Count") && args.empty()) {
      result = static_cast<int>(groups);
      return true;
    }
    if (sameMemberName(name, "Item")) {
      long long i = itemIndex(args, groups);
      if (i < 0) return false;
      const Span& span = spans[static_cast<size_t>(i) + 1];
      result = span.set() ? Variant(spanText(*set_, span)) : Variant();
      return true;
    }
    return false;
  }

 private:
  std::shared_ptr<const MatchSet> set_;
  size_t match_;
};

class MatchObject : public ReadOnlyObject {
 public:
  MatchObject(std::shared_ptr<const MatchSet> set, size_t match)
      : set_(std::move(set)), match_(match) {}

  bool getProperty(std::string_view name, std::span<const Variant> args,
                   Variant& result) override {
    if (!args.empty()) return false;
    const MatchRecord& m = set_->matches[match_];
    if (sameMemberName(name, "Value")) {
      result = spanText(*set_, m.spans[0]);
    } else if (sameMemberName(name, "FirstIndex")) {
      result = m.firstIndex;
    } else if (sameMemberName(name, "Length")) {
      result = m.length;
    } else if (sameMemberName(name, "SubMatches")) {
      result = ObjectRef(std::make_shared<SubMatchesObject>(set_, match_));
    } else {
      return false;
    }
    return true;
  }

 private:
  std::shared_ptr<const MatchSet> set_;
  size_t match_;
};

class MatchCollectionObject : public ReadOnlyObject {
 public:
  explicit MatchCollectionObject(std::shared_ptr<const MatchSet> set) : set_(std::move(set)) {}

  bool getProperty(std::string_view name, std::span<const Variant> args,
                   Variant& result) override {
    if (sameMemberName(name, "Count") && args.empty()) {
      result = static_cast<int>(set_->matches.size());
      return true;
    }
    if (sameMemberName(name, "Item")) {
      long long i = itemIndex(args, set_->matches.size());
      if (i < 0) return false;
      result = ObjectRef(std::make_shared<MatchObject>(set_, static_cast<size_t>(i)));
      return true;
    }
    return false;
  }

 private:
  std::shared_ptr<const MatchSet> set_;
};

struct CodeDeleter {
  void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* m) const { pcre2_match_data_free(m); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* c) const { pcre2_compile_context_free(c); }
};

// Compiled patterns of this thread, by pattern and options: the page engine makes a new
// object for every page with the same pattern, and compiling costs more than matching it
// over a short page. Bounded; a thread that sees many patterns starts over.
std::shared_ptr<pcre2_code> compiledPattern(const std::string& pattern, uint32_t options) {
  thread_local std::map<std::pair<std::string, uint32_t>, std::shared_ptr<pcre2_code>> cache;
  auto key = std::make_pair(pattern, options);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> ctx(
      pcre2_compile_context_create(nullptr));
  if (!ctx) return nullptr;
  pcre2_set_newline(ctx.get(), PCRE2_NEWLINE_ANYCRLF);
  pcre2_set_bsr(ctx.get(), PCRE2_BSR_ANYCRLF);
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &offset, ctx.get());
  if (!code) return nullptr;
  // No JIT: on subjects of a few kilobytes the JIT compile costs more than it saves.
  std::shared_ptr<pcre2_code> shared(code, CodeDeleter());
  if (cache.size() >= 32) cache.clear();
  cache.emplace(std::move(key), shared);
  return shared;
}

class RegExpObject : public AutomationObject {
 public:
  bool getProperty(std::string_view name, std::span<const Variant> args,
                   Variant& result) override {
    if (!args.empty()) return false;
    if (sameMemberName(name, "Pattern")) {
      result = pattern_;
    } else if (sameMemberName(name, "IgnoreCase")) {
      result = ignoreCase_;
    } else if (sameMemberName(name, "Global")) {
      result = global_;
    } else if (sameMemberName(name, "Multiline")) {
      result = multiline_;
    } else {
      return false;
    }
    return true;
  }

  bool putProperty(std::string_view name, const Variant& value) override {
    if (sameMemberName(name, "Pattern")) {
      auto t = variantToText(value);
      if (!t) return false;
      if (*t != pattern_) code_.reset();
      pattern_ = std::move(*t);
      compileTried_ = false;
      return true;
    }
    bool* flag = nullptr;
    if (sameMemberName(name, "IgnoreCase")) flag = &ignoreCase_;
    else if (sameMemberName(name, "Global")) flag = &global_;
    else if (sameMemberName(name, "Multiline")) flag = &multiline_;
    if (!flag) return false;
    auto b = variantToBool(value);
    if (!b) return false;
    if (*b != *flag && flag != &global_) {
      code_.reset();
      compileTried_ = false;
    }
    *flag = *b;
    return true;
  }

  bool callMethod(std::string_view name, std::span<const Variant> args,
                  Variant& result) override {
    if (sameMemberName(name, "Execute") && args.size() == 1) return execute(args, result);
    if (sameMemberName(name, "Replace") && args.size() == 2) return replace(args, result);
    if (sameMemberName(name, "Test") && args.size() == 1) return test(args, result);
    return false;
  }

 private:
  bool execute(std::span<const Variant> args, Variant& result) {
    auto set = std::make_shared<MatchSet>();
    if (!run(args, global_, *set)) return false;
    // FirstIndex in UTF-16 units; match starts never go backwards, so count on from the last.
    size_t countedTo = 0;
    int unitsBefore = 0;
    for (MatchRecord& m : set->matches) {
      unitsBefore += utf16Units(set->subject, countedTo, m.spans[0].begin);
      countedTo = m.spans[0].begin;
      m.firstIndex = unitsBefore;
      m.length = utf16Units(set->subject, m.spans[0].begin, m.spans[0].end);
    }
    result = ObjectRef(std::make_shared<MatchCollectionObject>(std::move(set)));
    return true;
  }

  bool test(std::span<const Variant> args, Variant& result) {
    MatchSet set;
    if (!run(args, false, set)) return false;
    result = !set.matches.empty();
    return true;
  }

  bool replace(std::span<const Variant> args, Variant& result) {
    Text replacementText;
    if (!textArgument(args, 1, replacementText)) return false;
    MatchSet set;
    if (!run(args.first(1), global_, set)) return false;
    const std::string replacement = toUtf8(replacementText);
    const std::string& s = set.subject;
    std::string out;
    out.reserve(s.size());
    size_t last = 0;
    for (const MatchRecord& m : set.matches) {
      out.append(s, last, m.spans[0].begin - last);
      expand(replacement, s, m, out);
      last = m.spans[0].end;
    }
    out.append(s, last, std::string::npos);
    result = fromUtf8(out);
    return true;
  }

  // Appends the replacement for match m, with its "$" forms resolved.
  static void expand(const std::string& r, const std::string& s, const MatchRecord& m,
                     std::string& out) {
    const size_t groups = m.spans.size() - 1;
    auto appendSpan = [&](const Span& span) {
      if (span.set()) out.append(s, span.begin, span.end - span.begin);
    };
    auto digit = [&](size_t i) { return i < r.size() && r[i] >= '0' && r[i] <= '9'; };
    for (size_t i = 0; i < r.size(); ++i) {
      if (r[i] != '$' || i + 1 >= r.size()) {
        out += r[i];
        continue;
      }
      char c = r[i + 1];
      if (c == '$') {
        out += '$';
        ++i;
      } else if (c == '&') {
        appendSpan(m.spans[0]);
        ++i;
      } else if (c == '`') {
        out.append(s, 0, m.spans[0].begin);
        ++i;
      } else if (c == '\'') {
        out.append(s, m.spans[0].end, std::string::npos);
        ++i;
      } else if (digit(i + 1)) {
        size_t one = static_cast<size_t>(r[i + 1] - '0');
        size_t two = digit(i + 2) ? one * 10 + static_cast<size_t>(r[i + 2] - '0') : 0;
        if (two >= 1 && two <= groups) {
          appendSpan(m.spans[two]);
          i += 2;
        } else if (one >= 1 && one <= groups) {
          appendSpan(m.spans[one]);
          i += 1;
        } else {
          out += '$';
        }
      } else {
        out += '$';
      }
    }
  }

  bool compile() {
    if (code_) return true;
    if (compileTried_) return false;
    compileTried_ = true;
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                       PCRE2_ALLOW_EMPTY_CLASS;
    if (ignoreCase_) options |= PCRE2_CASELESS;
    options |= multiline_ ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    code_ = compiledPattern(toUtf8(pattern_), options);
    return code_ != nullptr;
  }

  // Finds the first match, or all of them, of the pattern in the text of args[0].
  bool run(std::span<const Variant> args, bool all, MatchSet& set) {
    Text subject;
    if (!textArgument(args, 0, subject)) return false;
    if (!compile()) return false;
    set.subject = toUtf8(subject);
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> md(
        pcre2_match_data_create_from_pattern(code_.get(), nullptr));
    if (!md) return false;
    const std::string& s = set.subject;
    const auto* data = reinterpret_cast<PCRE2_SPTR>(s.data());
    uint32_t utfCheck = 0;  // the subject is checked once, on the first search
    size_t start = 0;
    while (start <= s.size()) {
      int rc = pcre2_match(code_.get(), data, s.size(), start, utfCheck, md.get(), nullptr);
      utfCheck = PCRE2_NO_UTF_CHECK;
      if (rc == PCRE2_ERROR_NOMATCH) break;
      if (rc < 0) return false;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.get());
      if (ov[1] < ov[0]) return false;  // \K past the end: no sensible match
      uint32_t pairs = pcre2_get_ovector_count(md.get());
      MatchRecord m;
      m.spans.resize(pairs);
      for (uint32_t g = 0; g < pairs; ++g) m.spans[g] = {ov[2 * g], ov[2 * g + 1]};
      set.matches.push_back(std::move(m));
      if (!all) break;
      if (ov[1] > ov[0]) {
        start = ov[1];
      } else {
        if (ov[1] >= s.size()) break;
        start = ov[1] + 1;
        while (start < s.size() && isContinuation(static_cast<unsigned char>(s[start])))
          ++start;
      }
    }
    return true;
  }

  Text pattern_;
  bool ignoreCase_ = false;
  bool global_ = false;
  bool multiline_ = false;
  std::shared_ptr<pcre2_code> code_;
  bool compileTried_ = false;
};

}  // namespace

ObjectRef makeRegExpObject() { return std::make_shared<RegExpObject>(); }

}  // namespace velmorin
