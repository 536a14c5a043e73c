// Reading and building the "phon" and "word" annotation chunks.

#include "signal/annotation_chunk.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

#include "platform/report.h"
#include "signal/riff.h"
#include "signal/transport_error.h"
#include "texts/texts.h"

namespace ardv {
namespace {

constexpr std::size_t kPositionBytes = 4;
constexpr std::size_t kMaxTextWithTerminator = kMaxChunkLabelBytes + 1;

void chunkMessage(int number) { message(text(5606) + text(number)); }

// Walks the payload into `marks`; false after the report of a fault.
bool walkPayload(const std::vector<unsigned char>& buf, MarkBatch& marks) {
  const std::size_t n = buf.size();
  std::size_t pos = 0;
  bool endsWithText = false;
  while (n - pos >= kPositionBytes) {
    const auto position = static_cast<std::int32_t>(readLe32(&buf[pos]));
    pos += kPositionBytes;
    endsWithText = false;
    if (pos == n) {
      marks.add(position);
      break;
    }
    const std::size_t window = std::min(kMaxTextWithTerminator, n - pos);
    const void* zero = std::memchr(&buf[pos], 0, window);
    if (zero == nullptr) {
      marks.add(position);
      chunkMessage(5603);
      return false;
    }
    const auto textLength = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - &buf[pos]);
    marks.add(position, std::string(reinterpret_cast<const char*>(&buf[pos]), textLength));
    pos += textLength + 1;
    endsWithText = true;
  }
  if (endsWithText && pos == n) {
    chunkMessage(5604);
    return false;
  }
  if (pos != n) {
    chunkMessage(5605);
    return false;
  }
  return true;
}

}  // namespace

bool readnotetiqs(const std::string& file, notetiqs& list, std::int64_t offset, std::int64_t length,
                  std::int64_t tf) {
  list.clear();
  if (length == 0) return true;

  std::error_code ec;
  std::uintmax_t fileSize = std::filesystem::file_size(file, ec);
  std::ifstream in(file, std::ios::binary);
  if (ec || !in.is_open()) {
    transportError("readnotetiqs()", 1, file);
    return false;
  }
  if (offset < 0 || length < 0 || static_cast<std::uintmax_t>(offset) > fileSize) {
    debugMessage("readnotetiqs() : offset out of file");
    return false;
  }
  // The payload must be in the file before any memory is taken for it.
  if (static_cast<std::uintmax_t>(length) > fileSize - static_cast<std::uintmax_t>(offset)) {
    chunkMessage(5602);
    return false;
  }
  std::vector<unsigned char> buf;
  try {
    buf.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    chunkMessage(5602);
    return false;
  }
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(length));
  if (!in || in.gcount() != static_cast<std::streamsize>(length)) {
    chunkMessage(5602);
    return false;
  }

  // Marks read before a fault are kept.
  MarkBatch marks;
  const bool whole = walkPayload(buf, marks);
  if (!marks.mergeInto(list)) return false;
  reportFit(fitToSignal(list, tf), file, tf);
  return whole;
}

void AnnotationChunkBuilder::add(std::int32_t position, const std::string& label) {
  std::string textOut = label.substr(0, label.find('\0'));
  if (textOut.size() > kMaxChunkLabelBytes) {
    std::string cut = utf8Prefix(textOut, kMaxChunkLabelBytes);
    if (cutLabels_ == 0)
      warn("The label \"" + textOut + "\" is longer than 39 bytes; it is saved as \"" + cut + "\"");
    ++cutLabels_;
    textOut = cut;
  }
  lastEntry_ = bytes_.size();
  auto u = static_cast<std::uint32_t>(position);
  bytes_.push_back(static_cast<std::uint8_t>(u & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>((u >> 16) & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>((u >> 24) & 0xFF));
  bytes_.insert(bytes_.end(), textOut.begin(), textOut.end());
  bytes_.push_back(0);
}

void AnnotationChunkBuilder::addList(const notetiqs& list) {
  for (const notetiq& b : list.items()) add(b.limite, b.text);
}

void AnnotationChunkBuilder::cutAfterLastPosition() {
  if (bytes_.empty()) return;
  bytes_.resize(lastEntry_ + kPositionBytes);
}

std::vector<std::uint8_t> chunkPayload(const notetiqs& list, std::int64_t tf, bool& closed) {
  AnnotationChunkBuilder builder;
  FitCount fit;
  builder.addList(fittedCopy(list, tf, &fit));
  closed = (builder.empty() || builder.lastEntryClosed()) && fit.labelsDropped == 0;
  builder.cutAfterLastPosition();
  return builder.bytes();
}

}  // namespace ardv
