#include "texts/text_format.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace ardv {

long long TextArg::asInteger() const {
  if (auto* i = std::get_if<long long>(&value_)) return *i;
  if (auto* d = std::get_if<double>(&value_)) {
    if (!(*d == *d)) return 0;
    if (*d >= 9.2e18) return static_cast<long long>(9.2e18);
    if (*d <= -9.2e18) return static_cast<long long>(-9.2e18);
    return static_cast<long long>(*d);
  }
  return std::strtoll(std::get<std::string>(value_).c_str(), nullptr, 10);
}

double TextArg::asReal() const {
  if (auto* d = std::get_if<double>(&value_)) return *d;
  if (auto* i = std::get_if<long long>(&value_)) return static_cast<double>(*i);
  return std::strtod(std::get<std::string>(value_).c_str(), nullptr);
}

std::string TextArg::asText() const {
  if (auto* s = std::get_if<std::string>(&value_)) return *s;
  if (auto* i = std::get_if<long long>(&value_)) return std::to_string(*i);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", std::get<double>(value_));
  return buf;
}

namespace {

// Formats one value with a conversion spec built here from checked parts.
template <typename T>
std::string printOne(const std::string& spec, T value) {
  int n = std::snprintf(nullptr, 0, spec.c_str(), value);
  if (n < 0) return "";
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  std::snprintf(buf.data(), buf.size(), spec.c_str(), value);
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace

std::string formatText(const std::string& format, std::initializer_list<TextArg> args) {
  std::string out;
  auto next = args.begin();
  const std::size_t n = format.size();
  std::size_t i = 0;
  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    std::size_t start = i++;
    if (i < n && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::string flags;
    while (i < n && std::strchr("-+ #0", format[i])) flags += format[i++];
    std::string width;
    while (i < n && width.size() < 3 && format[i] >= '0' && format[i] <= '9') width += format[i++];
    std::string precision;
    if (i < n && format[i] == '.') {
      precision = ".";
      ++i;
      while (i < n && precision.size() < 4 && format[i] >= '0' && format[i] <= '9') precision += format[i++];
    }
    while (i < n && (format[i] == 'l' || format[i] == 'h' || format[i] == 'L')) ++i;
    if (i >= n) {
      out.append(format, start, std::string::npos);
      break;
    }
    char conv = format[i++];
    if (!std::strchr("diuxXcsfFeEgG", conv)) {
      out.append(format, start, i - start);
      continue;
    }
    const bool have = next != args.end();
    const std::string prefix = "%" + flags + width + precision;
    switch (conv) {
      case 'd':
      case 'i':
        out += printOne(prefix + "lld", have ? next->asInteger() : 0LL);
        break;
      case 'u':
      case 'x':
      case 'X':
        out += printOne(prefix + "ll" + conv, static_cast<unsigned long long>(have ? next->asInteger() : 0LL));
        break;
      case 'c':
        out += printOne(prefix + "c", static_cast<int>(have ? next->asInteger() : ' '));
        break;
      case 's':
        out += printOne(prefix + "s", (have ? next->asText() : std::string()).c_str());
        break;
      default:
        out += printOne(prefix + conv, have ? next->asReal() : 0.0);
        break;
    }
    if (have) ++next;
  }
  return out;
}

}  // namespace ardv
