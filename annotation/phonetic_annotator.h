// The phonetic annotator's logic: a current phoneme segment that moves on as
// labels are chosen, keyboard input matched against the phoneme inventory by
// prefix, and the displayed stretch that follows the current segment. The
// window (`TWgetphoan`) shows the buttons, highlights the segment, plays it,
// and moves the display to what next()/previous() return.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv {

// What typed input gives: a label to apply (when `label` is set) and the new
// content of the input field.
struct TypedLabel {
  std::optional<std::string> label;
  std::string field;
};

// Matches the input field `typed` against `inventory` (phoneme names): one
// phoneme whose name begins with it is applied and the field emptied; none:
// the last character is dropped and, if the rest designates a phoneme (an
// exact name, or the only one beginning with it), that one is applied and
// the field keeps the dropped character (matched again in turn); otherwise
// the field is emptied. Several: nothing yet. The empty field gives nothing.
TypedLabel matchTypedLabel(const std::string& typed, const std::vector<std::string>& inventory);

// A displayed stretch, inclusive sample indices.
struct Stretch {
  std::int32_t first = 0, last = 0;
};

// Where the display goes when segment [start, end) becomes current going
// forward: nothing when it is in view; when it starts after the displayed
// stretch, or ends beyond it while shorter than a third of its width, the
// display starts 1000 samples before it (not before 0), same width.
std::optional<Stretch> followForward(std::int32_t start, std::int32_t end, Stretch shown);
// Going back: when the segment starts before the displayed stretch, the
// display starts two thirds of its width before it (not before 0).
std::optional<Stretch> followBackward(std::int32_t start, Stretch shown);

class PhoneticAnnotator {
 public:
  // Starts on segment `segment` of the phoneme list (program().etiq),
  // clamped to the last segment; -1 when there is none.
  explicit PhoneticAnnotator(int segment);

  int current() const { return current_; }
  const std::string& lastAnnotation() const { return lastAnnotation_; }

  // After an edit of the list made elsewhere: clamps the current segment again.
  void reclamp();

  // Labels the current segment (modified flag set), then goes to the next.
  // Returns where the display should go.
  std::optional<Stretch> choose(const std::string& label, Stretch shown);
  std::optional<Stretch> next(Stretch shown);
  std::optional<Stretch> previous(Stretch shown);
  // Clears the current label and goes to the previous segment.
  std::optional<Stretch> erase(Stretch shown);

  // The input field changed to `field`: applies what matchTypedLabel gives
  // with the program's phoneme inventory and returns the new field content;
  // `moved` receives the display move of the label applied, if any.
  std::string typed(const std::string& field, Stretch shown, std::optional<Stretch>& moved);

 private:
  int current_ = -1;
  std::string lastAnnotation_;
};

}  // namespace ardv
