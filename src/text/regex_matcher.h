#pragma once
// One regular expression run over one subject text, through the regular-expression
// automation object: the matches, their groups, a replacement of the matches, and where a
// match stands in the subject. Every call that fails gives an empty result (the empty text
// or 0); nothing throws.
//
// A matcher belongs to the thread that made it: construction takes one automation
// initialisation on that thread and destroy() (or the destructor, if destroy() was not
// called) gives it back.
#include "platform/automation.h"
#include "text/text_types.h"

namespace velmorin {

class RegexMatcher {
 public:
  RegexMatcher();
  ~RegexMatcher();
  RegexMatcher(RegexMatcher&& other) noexcept;
  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;
  RegexMatcher& operator=(RegexMatcher&&) = delete;

  // The operations, in their fixed order.

  // Releases the objects and the thread's initialisation. Later calls find nothing.
  void destroy();
  // A new matcher sharing this one's regular-expression object and match collection.
  RegexMatcher copy() const;
  // Makes a new object, sets IgnoreCase = !caseSensitive, Multiline, Global (and tries
  // "Singleline"), sets the pattern (with every "#引号" made a double quote when quoteMarker)
  // and executes it over subject. True when a match collection came back; that says
  // nothing about whether anything matched.
  bool create(const Text& pattern, const Text& subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool quoteMarker = false);
  void placeholder();
  // The pattern as the object holds it; empty before any create.
  Text patternText() const;
  // The subject with the matches (all with Global, else the first) replaced.
  Text replaceMatches(const Text& replacement) const;
  int matchCount() const;
  // Match n (from 1). When position is given, it receives the match's 0-based byte offset
  // in the subject, found by searching the match text from where the match starts.
  Text matchText(int n, int* position = nullptr) const;
  // Group m (from 1) of match n (from 1). position: the 0-based byte offset of the first
  // occurrence of the group's text at or after the start of the match.
  Text subMatchText(int n, int m, int* position = nullptr) const;
  // The number of groups of the first match; 0 when nothing matched.
  int subMatchCount() const;

 private:
  int positionOf(const Text& found, const ObjectRef& match) const;

  ObjectRef regex_;
  ObjectRef matches_;
  Variant subject_;
  bool initialised_ = false;
};

}  // namespace velmorin
