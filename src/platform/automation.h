#pragma once
// Late-bound automation objects: members are addressed by name at each call, values travel
// as Variants, and a call that fails (no such member, wrong argument, an error of the object)
// reports false and leaves the caller's result empty. Objects are made by program identifier
// on a thread that holds an automation initialisation.
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "text/text_types.h"

namespace velmorin {

class AutomationObject;
using ObjectRef = std::shared_ptr<AutomationObject>;  // shared: a copy counts one more reference

// A value handed to or returned by an object. Strings are code-page-936 Text.
struct Variant {
  std::variant<std::monostate, bool, int, double, Text, ObjectRef> value;

  Variant() = default;
  Variant(bool b) : value(b) {}                    // NOLINT: implicit on purpose
  Variant(int i) : value(i) {}                     // NOLINT
  Variant(double d) : value(d) {}                  // NOLINT
  Variant(Text t) : value(std::move(t)) {}         // NOLINT
  Variant(const char* t) : value(Text(t)) {}       // NOLINT
  Variant(ObjectRef o) : value(std::move(o)) {}    // NOLINT

  bool empty() const { return std::holds_alternative<std::monostate>(value); }
};

// The standard conversions. Text: empty -> "", true/false -> "-1"/"0", numbers in plain
// decimal. Number: from numbers, truth values (-1/0) and numeric texts. Truth value: from
// numbers (non-zero is true), "True"/"False" and numeric texts. Objects convert to nothing.
std::optional<Text> variantToText(const Variant& v);
std::optional<double> variantToNumber(const Variant& v);
std::optional<bool> variantToBool(const Variant& v);
// An index argument: a number rounded to the nearest integer (half to even).
std::optional<long long> variantToIndex(const Variant& v);
ObjectRef variantToObject(const Variant& v);

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  // Member names compare without regard to ASCII letter case. Each returns false when the
  // object has no member of that name or refuses the call; result is then left untouched.
  virtual bool getProperty(std::string_view name, std::span<const Variant> args,
                           Variant& result) = 0;
  virtual bool putProperty(std::string_view name, const Variant& value) = 0;
  virtual bool callMethod(std::string_view name, std::span<const Variant> args,
                          Variant& result) = 0;
};

// ASCII-case-insensitive member name comparison, for the objects' dispatch.
bool sameMemberName(std::string_view a, std::string_view b);

// Per-thread automation initialisation, counted like nested initialise/uninitialise pairs.
// Uninitialising a thread that holds none does nothing.
void automationInitialize();
void automationUninitialize();
int automationInitCount();  // the calling thread's count

// A new object of the class named by its program identifier ("VBScript.RegExp"); null when
// the class is unknown or the calling thread holds no initialisation.
ObjectRef createObject(std::string_view progId);

// Calls on a possibly empty reference; an empty reference fails like a missing member.
// The result is the empty Variant whenever the call fails.
Variant getProperty(const ObjectRef& obj, std::string_view name,
                    std::span<const Variant> args = {});
bool putProperty(const ObjectRef& obj, std::string_view name, const Variant& value);
Variant callMethod(const ObjectRef& obj, std::string_view name,
                   std::span<const Variant> args = {});

}  // namespace velmorin
