// The `BUFbuf` family: growable typed buffers that carry a name for their
// messages and keep one spare element past the end of their `size` elements.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace ardv {

// Reports that a buffer could not be given `count` elements (one message
// naming the buffer). Shared by every member of the family.
void reportBufferAllocationFailure(const std::string& name, std::int64_t count);

template <typename T>
class BUFbuf {
 public:
  // A buffer of `count` elements (negative counts as 0), named `name` for its
  // messages. If the storage cannot be had the buffer stays empty, after the
  // allocation message.
  explicit BUFbuf(std::int64_t count = 0, std::string name = std::string()) : name_(std::move(name)) {
    newsize(count);
  }

  // Resizes to max(n, 0) elements, keeping the common prefix; new elements are
  // zero. 0 frees the storage; otherwise storage for n + 1 elements is held.
  // Returns false after one message when the storage cannot be had (or n does
  // not fit an int32); the buffer is then unchanged.
  bool newsize(std::int64_t n) {
    if (n <= 0) {
      std::vector<T>().swap(data_);
      size_ = 0;
      return true;
    }
    if (n >= std::numeric_limits<std::int32_t>::max()) {
      reportBufferAllocationFailure(name_, n);
      return false;
    }
    try {
      if (static_cast<std::size_t>(n) + 1 > data_.capacity() || static_cast<std::size_t>(n) + 1 < data_.size() / 2) {
        // A fresh vector of the exact size, so that shrinking really frees memory.
        std::vector<T> fresh;
        fresh.reserve(static_cast<std::size_t>(n) + 1);
        const std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(size_), static_cast<std::size_t>(n));
        fresh.assign(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(keep));
        fresh.resize(static_cast<std::size_t>(n) + 1);
        data_.swap(fresh);
      } else {
        if (static_cast<std::size_t>(n) > static_cast<std::size_t>(size_)) {
          std::fill(data_.begin() + size_, data_.end(), T{});
        }
        data_.resize(static_cast<std::size_t>(n) + 1);
      }
    } catch (const std::bad_alloc&) {
      reportBufferAllocationFailure(name_, n);
      return false;
    } catch (const std::length_error&) {
      reportBufferAllocationFailure(name_, n);
      return false;
    }
    size_ = static_cast<std::int32_t>(n);
    return true;
  }

  std::int32_t size() const { return size_; }
  static constexpr std::int32_t elementSize() { return static_cast<std::int32_t>(sizeof(T)); }
  const std::string& name() const { return name_; }

  // The storage, `size` + 1 elements; nullptr when size is 0.
  T* data() { return size_ ? data_.data() : nullptr; }
  const T* data() const { return size_ ? data_.data() : nullptr; }

  // Element i, 0 <= i <= size (the spare element included); unchecked.
  T& operator[](std::int64_t i) { return data_[static_cast<std::size_t>(i)]; }
  const T& operator[](std::int64_t i) const { return data_[static_cast<std::size_t>(i)]; }

  void swap(BUFbuf& other) noexcept {
    data_.swap(other.data_);
    std::swap(size_, other.size_);
  }

 private:
  std::vector<T> data_;
  std::int32_t size_ = 0;
  std::string name_;
};

using SHORTbuf = BUFbuf<std::int16_t>;
using FLOATbuf = BUFbuf<float>;
using INTbuf = BUFbuf<std::int32_t>;
// The F0 contour points and the pitch-mark path cells are instantiated with
// their record types where those are defined: BUFbuf<PointF0>, BUFbuf<ProgDynCell>.

// Growable text: the elements hold the text and its terminator.
class CHARbuf : public BUFbuf<char> {
 public:
  explicit CHARbuf(std::int64_t count = 0, std::string name = std::string()) : BUFbuf<char>(count, std::move(name)) {}

  // Replaces the content by `text` (size = length + 1). False after the
  // allocation message; the content is then unchanged.
  bool setText(const std::string& text);
  // Appends `text` after the current text (size grows by its length; an empty
  // buffer first gets its terminator). False after the allocation message.
  bool appendText(const std::string& text);
  // The text held, up to its terminator.
  std::string text() const;
};

}  // namespace ardv
