#include "platform/automation.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/regexp_object.h"

namespace velmorin {
namespace {

thread_local int initCount = 0;

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::optional<double> parseNumber(const Text& t) {
  size_t b = t.find_first_not_of(" \t");
  if (b == Text::npos) return std::nullopt;
  size_t e = t.find_last_not_of(" \t");
  std::string s = t.substr(b, e - b + 1);
  char* end = nullptr;
  double d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

Text doubleToText(double d) {
  char buf[40];
  if (std::nearbyint(d) == d && std::fabs(d) < 1e15)
    std::snprintf(buf, sizeof buf, "%.0f", d);
  else
    std::snprintf(buf, sizeof buf, "%.15G", d);
  Text t = buf;
  if (t == "-0") t = "0";
  return t;
}

using Factory = ObjectRef (*)();
// The classes this platform provides, by program identifier.
const std::pair<std::string_view, Factory> kClasses[] = {
    {"VBScript.RegExp", &makeRegExpObject},
};

}  // namespace

std::optional<Text> variantToText(const Variant& v) {
  struct Visitor {
    std::optional<Text> operator()(std::monostate) const { return Text(); }
    std::optional<Text> operator()(bool b) const { return Text(b ? "-1" : "0"); }
    std::optional<Text> operator()(int i) const { return std::to_string(i); }
    std::optional<Text> operator()(double d) const {
      if (!std::isfinite(d)) return std::nullopt;
      return doubleToText(d);
    }
    std::optional<Text> operator()(const Text& t) const { return t; }
    std::optional<Text> operator()(const ObjectRef&) const { return std::nullopt; }
  };
  return std::visit(Visitor{}, v.value);
}

std::optional<double> variantToNumber(const Variant& v) {
  struct Visitor {
    std::optional<double> operator()(std::monostate) const { return 0.0; }
    std::optional<double> operator()(bool b) const { return b ? -1.0 : 0.0; }
    std::optional<double> operator()(int i) const { return i; }
    std::optional<double> operator()(double d) const { return d; }
    std::optional<double> operator()(const Text& t) const { return parseNumber(t); }
    std::optional<double> operator()(const ObjectRef&) const { return std::nullopt; }
  };
  return std::visit(Visitor{}, v.value);
}

std::optional<bool> variantToBool(const Variant& v) {
  if (const Text* t = std::get_if<Text>(&v.value)) {
    if (sameMemberName(*t, "True")) return true;
    if (sameMemberName(*t, "False")) return false;
  }
  auto d = variantToNumber(v);
  if (!d) return std::nullopt;
  return *d != 0.0;
}

std::optional<long long> variantToIndex(const Variant& v) {
  auto d = variantToNumber(v);
  if (!d || std::fabs(*d) > 9e15) return std::nullopt;
  return static_cast<long long>(std::nearbyint(*d));
}

ObjectRef variantToObject(const Variant& v) {
  if (const ObjectRef* o = std::get_if<ObjectRef>(&v.value)) return *o;
  return nullptr;
}

bool sameMemberName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

void automationInitialize() { ++initCount; }

void automationUninitialize() {
  if (initCount > 0) --initCount;
}

int automationInitCount() { return initCount; }

ObjectRef createObject(std::string_view progId) {
  if (initCount <= 0) return nullptr;
  for (const auto& [name, factory] : kClasses)
    if (sameMemberName(name, progId)) return factory();
  return nullptr;
}

Variant getProperty(const ObjectRef& obj, std::string_view name, std::span<const Variant> args) {
  Variant result;
  if (!obj || !obj->getProperty(name, args, result)) return Variant();
  return result;
}

bool putProperty(const ObjectRef& obj, std::string_view name, const Variant& value) {
  return obj && obj->putProperty(name, value);
}

Variant callMethod(const ObjectRef& obj, std::string_view name, std::span<const Variant> args) {
  Variant result;
  if (!obj || !obj->callMethod(name, args, result)) return Variant();
  return result;
}

}  // namespace velmorin
