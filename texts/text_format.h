// Safe printf-style formatting of interface texts. The texts come from a data
// file, so their conversions are matched against the arguments here instead of
// being handed to printf: a missing argument counts as 0 or "", and an argument of
// another type is converted to what the conversion asks for.
#pragma once

#include <initializer_list>
#include <string>
#include <variant>

namespace ardv {

class TextArg {
 public:
  TextArg(int v) : value_(static_cast<long long>(v)) {}
  TextArg(long v) : value_(static_cast<long long>(v)) {}
  TextArg(long long v) : value_(v) {}
  TextArg(unsigned v) : value_(static_cast<long long>(v)) {}
  TextArg(unsigned long v) : value_(static_cast<long long>(v)) {}
  TextArg(unsigned long long v) : value_(static_cast<long long>(v)) {}
  TextArg(double v) : value_(v) {}
  TextArg(const char* v) : value_(std::string(v ? v : "")) {}
  TextArg(std::string v) : value_(std::move(v)) {}

  long long asInteger() const;
  double asReal() const;
  std::string asText() const;

 private:
  std::variant<long long, double, std::string> value_;
};

// Formats `format` (conversions d i u x X c s f e g, with flags, width,
// precision and the length modifiers h l ll, and %%) with `args` in order.
std::string formatText(const std::string& format, std::initializer_list<TextArg> args);

}  // namespace ardv
