// Allocation report and text operations of the buffer family.
#include "signal/buffers.h"

#include <cstring>

#include "platform/report.h"

namespace ardv {

void reportBufferAllocationFailure(const std::string& name, std::int64_t count) {
  message("Not enough memory for the buffer \"" + name + "\" (" + std::to_string(count) + " elements)");
}

bool CHARbuf::setText(const std::string& text) {
  const auto length = static_cast<std::int64_t>(text.size());
  // Into a fresh buffer first, so that a failure leaves the old text.
  CHARbuf fresh(0, name());
  if (!fresh.newsize(length + 1)) return false;
  std::memcpy(fresh.data(), text.data(), text.size());
  fresh[length] = '\0';
  swap(fresh);
  return true;
}

bool CHARbuf::appendText(const std::string& text) {
  const std::int64_t old = size() > 0 ? size() : 1;
  const std::int64_t used = static_cast<std::int64_t>((size() > 0 ? strnlen(data(), static_cast<std::size_t>(size())) : 0));
  if (!newsize(old + static_cast<std::int64_t>(text.size()))) return false;
  std::memcpy(data() + used, text.data(), text.size());
  (*this)[used + static_cast<std::int64_t>(text.size())] = '\0';
  return true;
}

std::string CHARbuf::text() const {
  if (size() == 0) return std::string();
  const char* p = data();
  return std::string(p, strnlen(p, static_cast<std::size_t>(size()) + 1));
}

}  // namespace ardv
