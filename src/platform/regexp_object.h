#pragma once
// The regular-expression automation object ("VBScript.RegExp"), over PCRE2 in UTF mode.
//
// Members of the object: properties Pattern (text), IgnoreCase, Global, Multiline (truth
// values, all false and the pattern empty when made); methods Execute(subject) -> match
// collection, Replace(subject, replacement) -> text, Test(subject) -> truth value.
// Match collection: Count, Item(i) (0-based). Match: Value, FirstIndex, Length, SubMatches.
// SubMatches: Count, Item(i) (0-based; the empty Variant for a group that did not take part).
//
// Matching: subject and pattern are code-page-936 text, matched as UTF-8; results come back
// as code-page-936 text. FirstIndex and Length count UTF-16 code units. "." matches neither
// CR nor LF; \w, \d and \s are ASCII-only; with Multiline, ^ and $ also match at CR and LF;
// without Global only the first match is found or replaced. After an empty match the next
// search starts one character further on. Replacement syntax: $1..$99 (two digits when that
// group exists), $& the match, $` the text before it, $' the text after it, $$ a dollar
// sign; any other "$" stands for itself, an unmatched group for the empty text.
// A pattern that does not compile makes Execute, Replace and Test fail.
#include "platform/automation.h"

namespace velmorin {

ObjectRef makeRegExpObject();

}  // namespace velmorin
