// The phonetic annotator's segment walk and keyboard matching.

#include "annotation/phonetic_annotator.h"

#include <algorithm>

#include "labels/phonetic_description.h"
#include "signal/program.h"

namespace ardv {
namespace {

// Offset of the display before a segment reached going forward, samples.
constexpr std::int32_t kFollowMargin = 1000;

// The phoneme the text designates: an exact name, else the only name that
// begins with it. `count` receives the number of names beginning with it.
std::optional<std::string> designated(const std::string& text, const std::vector<std::string>& inventory,
                                      int& count) {
  count = 0;
  std::optional<std::string> only, exact;
  for (const std::string& name : inventory) {
    if (name.empty() || name.compare(0, text.size(), text) != 0) continue;
    ++count;
    only = name;
    if (name == text) exact = name;
  }
  if (exact) return exact;
  return count == 1 ? only : std::nullopt;
}

std::vector<std::string> inventoryNames() {
  const PhoneticDescription& d = phoneticDescription();
  std::vector<std::string> names;
  for (int i = 1; i <= d.phonemeCount(); ++i) names.push_back(d.label(i));
  return names;
}

}  // namespace

TypedLabel matchTypedLabel(const std::string& typed, const std::vector<std::string>& inventory) {
  if (typed.empty()) return {std::nullopt, typed};
  int count = 0;
  const auto whole = designated(typed, inventory, count);
  if (count == 1) return {whole, std::string()};
  if (count > 1) return {std::nullopt, typed};
  const std::string rest = typed.substr(0, typed.size() - 1);
  const std::string dropped = typed.substr(typed.size() - 1);
  int restCount = 0;
  const auto candidate = rest.empty() ? std::nullopt : designated(rest, inventory, restCount);
  if (!candidate) return {std::nullopt, std::string()};
  return {candidate, dropped};
}

std::optional<Stretch> followForward(std::int32_t start, std::int32_t end, Stretch shown) {
  const std::int64_t width = static_cast<std::int64_t>(shown.last) - shown.first;
  const bool after = start > shown.last;
  const bool cutOff = end > shown.last && (static_cast<std::int64_t>(end) - start) * 3 < width;
  if (!after && !cutOff) return std::nullopt;
  const std::int32_t first = std::max(start - kFollowMargin, 0);
  return Stretch{first, static_cast<std::int32_t>(first + width)};
}

std::optional<Stretch> followBackward(std::int32_t start, Stretch shown) {
  if (start >= shown.first) return std::nullopt;
  const std::int64_t width = static_cast<std::int64_t>(shown.last) - shown.first;
  const std::int64_t first = std::max<std::int64_t>(start - width * 2 / 3, 0);
  return Stretch{static_cast<std::int32_t>(first), static_cast<std::int32_t>(first + width)};
}

PhoneticAnnotator::PhoneticAnnotator(int segment) : current_(segment) { reclamp(); }

void PhoneticAnnotator::reclamp() {
  const int segments = program().etiq.segmentCount();
  current_ = segments == 0 ? -1 : std::clamp(current_, 0, segments - 1);
}

std::optional<Stretch> PhoneticAnnotator::choose(const std::string& label, Stretch shown) {
  reclamp();
  if (current_ < 0) return std::nullopt;
  program().etiq.SetText(current_, label);
  program().annotationsModified = true;
  lastAnnotation_ = label;
  return next(shown);
}

std::optional<Stretch> PhoneticAnnotator::next(Stretch shown) {
  reclamp();
  if (current_ < 0) return std::nullopt;
  if (current_ + 1 < program().etiq.segmentCount()) ++current_;
  const notetiqs& list = program().etiq;
  return followForward(list.position(current_), list.position(current_ + 1), shown);
}

std::optional<Stretch> PhoneticAnnotator::previous(Stretch shown) {
  reclamp();
  if (current_ < 0) return std::nullopt;
  if (current_ > 0) --current_;
  return followBackward(program().etiq.position(current_), shown);
}

std::optional<Stretch> PhoneticAnnotator::erase(Stretch shown) {
  reclamp();
  if (current_ < 0) return std::nullopt;
  program().etiq.SetText(current_, std::string());
  program().annotationsModified = true;
  return previous(shown);
}

std::string PhoneticAnnotator::typed(const std::string& field, Stretch shown, std::optional<Stretch>& moved) {
  const std::vector<std::string> names = inventoryNames();
  std::string text = field;
  // A kept character is a new input of its own; each round shortens the text.
  for (;;) {
    const TypedLabel result = matchTypedLabel(text, names);
    if (!result.label) return result.field;
    const auto move = choose(*result.label, shown);
    if (move) {
      moved = move;
      shown = *move;
    }
    if (result.field.empty() || result.field == text) return result.field;
    text = result.field;
  }
}

}  // namespace ardv
