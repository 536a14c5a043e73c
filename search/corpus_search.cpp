#include "search/corpus_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <system_error>

#include "annotation/label_files.h"
#include "annotation/label_text.h"
#include "labels/phonetic_description.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/buffers.h"
#include "signal/profile_info.h"
#include "signal/replacing_file.h"
#include "signal/signal_stream.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "texts/texts.h"

namespace ardv {
namespace {

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::vector<std::string> split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const auto at = s.find(separator, from);
    parts.push_back(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "start\tend\tlabels" of labels first..last, times in ms.
std::string spanLine(const notetiqs& list, const LabelSpan& span, double frequence) {
  const auto& items = list.items();
  std::string line = std::to_string(searchMs(items[span.first].limite, frequence)) + "\t" +
                     std::to_string(searchMs(items[span.last + 1].limite, frequence)) + "\t";
  for (int k = span.first; k <= span.last; ++k) {
    if (k > span.first) line += ",";
    line += items[k].text;
  }
  return line;
}

// The list line of an occurrence: control characters of the file name and
// the labels written as \xHH, so that every occurrence stays one line of four
// tab-separated fields.
std::string listLine(const std::string& file, const std::string& span) {
  const auto labels = span.find('\t', span.find('\t') + 1) + 1;
  return labeltext::escapeControls(file) + "\t" + span.substr(0, labels) + labeltext::escapeControls(span.substr(labels));
}

// The gathered signal, written as it grows: header placeholder, samples, then
// the chunk and the real header on finish().
class GatheredWav {
 public:
  explicit GatheredWav(const std::filesystem::path& path) : out_(path) {}

  bool started() const { return started_; }
  double frequence() const { return frequence_; }
  std::int64_t samples() const { return samples_; }

  bool start(double frequence) {
    frequence_ = frequence;
    started_ = true;
    const std::array<std::uint8_t, kWavHeaderBytes> blank{};
    return check(out_.open() && out_.write(blank.data(), blank.size()) && silence());
  }
  // Appends `count` samples then the silence; false after a report.
  bool append(const std::int16_t* data, std::int64_t count) {
    if (samples_ + count + kSearchSilenceSamples >= std::numeric_limits<std::int32_t>::max()) {
      message(out_.target().string() + ": the gathered signal would pass 2^31 samples; the search stops here.");
      return false;
    }
    if (!check(out_.write(data, static_cast<std::size_t>(count) * 2))) return false;
    samples_ += count;
    return check(silence());
  }
  bool finish(const notetiqs& labels, bool words) {
    bool closed = true;
    const auto payload = chunkPayload(labels, samples_, closed);
    const std::vector<std::uint8_t> none;
    const auto trailer = wavTrailerBytes(samples_ * 2, words ? none : payload, words ? payload : none);
    std::array<std::uint8_t, kWavHeaderBytes> header{};
    if (!wavHeaderBytes(samples_ * 2, words ? 0 : static_cast<std::int64_t>(payload.size()),
                        words ? static_cast<std::int64_t>(payload.size()) : 0, frequence_, header)) {
      message(out_.target().string() + ": the gathered signal is too large for a WAV file; nothing written.");
      return false;
    }
    return check(out_.write(trailer.data(), trailer.size()) && out_.seek(0) &&
                 out_.write(header.data(), header.size()) && out_.commit());
  }

 private:
  bool silence() {
    static const std::array<std::int16_t, kSearchSilenceSamples> zeros{};
    samples_ += kSearchSilenceSamples;
    return out_.write(zeros.data(), sizeof zeros);
  }
  bool check(bool ok) {
    if (!ok && !failed_) message("Cannot write " + out_.target().string() + ": " + out_.error());
    failed_ = failed_ || !ok;
    return ok && !failed_;
  }
  ReplacingFile out_;
  double frequence_ = 0;
  std::int64_t samples_ = 0;
  bool started_ = false;
  bool failed_ = false;
};

// One recording opened for its occurrences.
struct Recording {
  infoFile info;
  bool readable = false;
  SignalStream stream;
};

class Search {
 public:
  Search(const CorpusSearch& request, const SearchSinks& sinks, CorpusOutcome& outcome)
      : request_(request), sinks_(sinks), outcome_(outcome), gathered_(request.gathered) {}

  bool run() {
    header();
    for (std::size_t k = 0; k < request_.files.size() && !outcome_.maxReached && !stopped_; ++k)
      searchFile(request_.files[k], k);
    if (gathered_.started() && !stopped_) {
      outcome_.gatheredWritten = batch_.mergeInto(labels_) && gathered_.finish(labels_, request_.words);
      outcome_.gatheredSamples = outcome_.gatheredWritten ? gathered_.samples() : 0;
      return outcome_.gatheredWritten;
    }
    return !stopped_;
  }

 private:
  void results(const std::string& line) {
    if (sinks_.results) sinks_.results(line);
  }

  void header() {
    if (request_.words) {
      for (const int n : {7315, 7316, 7313, 7317}) results(text(n));
    } else {
      for (const int n : {7311, 7312, 7313, 7314}) results(text(n));
      for (const auto& sequence : request_.sequences) {
        std::string line = "...  ";
        for (std::size_t j = 0; j < sequence.size(); ++j) line += (j ? "," : "") + sequence[j];
        results(line);
      }
    }
    results(text(7340));
    results(text(7341));
  }

  // Describes the recording and reads its labels; false when nothing can be searched.
  bool open(const std::filesystem::path& file, std::size_t index, Recording& rec, notetiqs& list) {
    rec.info.nom = file.string();
    if (isWavName(rec.info.nom)) {
      if (!init_infoFile_read_WAV(rec.info)) return false;
      rec.readable = true;
      const auto offset = request_.words ? rec.info.notedepl : rec.info.etiqdepl;
      const auto length = request_.words ? rec.info.notelongueur : rec.info.etiqlongueur;
      return length == 0 || readnotetiqs(rec.info.nom, list, offset, length, rec.info.sampleCount());
    }
    if (request_.formatIndex < 0) {
      message(rec.info.nom + " is not a WAV file and no format profile was given: skipped.");
      return false;
    }
    rec.info.formatIndex = request_.formatIndex;
    rec.readable = init_infoFile_read_non_WAV(rec.info);
    const auto labelFile = index < request_.labelFiles.size()
                               ? request_.labelFiles[index].string()
                               : (request_.labelDir / file.stem()).string() + request_.labelExt;
    if (!rec.readable) {
      message(text(7302) + "\n" + rec.info.nom);
      results(rec.info.nom + text(7303));
      rec.info.frequence = kProfileDefaultFrequence;
      rec.info.longueur = 0;
    }
    if (request_.words) {
      rec.info.nomAnnot = labelFile;
      rec.info.annotationKind = request_.labelKind;
      return readAnnotations(list, rec.info) && rec.readable;
    }
    rec.info.nom_man = labelFile;
    rec.info.labelKind = request_.labelKind;
    return readLabels(list, rec.info) && rec.readable;
  }

  void searchFile(const std::filesystem::path& file, std::size_t index) {
    ++outcome_.files;
    Recording rec;
    notetiqs list;
    if (!open(file, index, rec, list)) ++outcome_.skipped;
    bool named = false;
    bool rateNoted = false;
    const auto found = [&](const LabelSpan& span) {
      if (!named) {
        results(text(7301) + "\t" + rec.info.nom);
        named = true;
      }
      const auto line = spanLine(list, span, rec.info.frequence);
      results(line);
      if (sinks_.list) sinks_.list(listLine(rec.info.nom, line));
      if (rec.readable && !request_.gathered.empty()) {
        if (gathered_.started() && rec.info.frequence != gathered_.frequence()) {
          if (!rateNoted) {
            message(rec.info.nom + ": sampled at " + std::to_string(rec.info.frequence) + " Hz, not at the " +
                    std::to_string(gathered_.frequence()) + " Hz of the gathered signal: listed, not copied.");
            ++outcome_.skipped;
            rateNoted = true;
          }
        } else if (!copy(rec, list, span)) {
          stopped_ = true;
          return false;
        }
      }
      if (++outcome_.occurrences >= request_.maxCount) {
        results(text(7304));
        results(text(7305));
        outcome_.maxReached = true;
        return false;
      }
      return true;
    };
    if (request_.words) findWord(list, request_.word, found);
    else findSequences(list, request_.sequences, found);
  }

  // Cuts the occurrence with its faded context into the gathered signal.
  bool copy(Recording& rec, const notetiqs& list, const LabelSpan& span) {
    const auto& b = list.items();
    const int n = list.count();
    const std::int64_t total = rec.info.sampleCount();
    std::int64_t s0 = std::int64_t{b[span.first].limite} - kSearchContextSamples;
    if (span.first > 0) s0 = std::max<std::int64_t>(s0, b[span.first - 1].limite);
    s0 = std::max<std::int64_t>(s0, 0);
    std::int64_t s1 = std::int64_t{b[span.last + 1].limite} + kSearchContextSamples;
    if (span.last + 2 < n) s1 = std::min<std::int64_t>(s1, b[span.last + 2].limite);
    s1 = std::min(s1, total - 1);
    const std::int64_t count = s1 - s0 + 1;
    if (!gathered_.started() && !gathered_.start(rec.info.frequence)) return false;
    SHORTbuf samples(std::max<std::int64_t>(count, 0), "search");
    std::int64_t delivered = 0;
    if (count > 0 && samples.size() == count) {
      if (!rec.stream.isOpen()) rec.stream.openRead(rec.info);
      if (rec.stream.isOpen() && copyHFileToBuf(rec.stream, rec.info.depl + 2 * s0, samples, 0, 2 * count) == 2 * count)
        delivered = count;
    }
    if (count > 0 && delivered != count) {
      debugMessage("unexpected (nbEcht_p=" + std::to_string(delivered) + ")!=(len=" + std::to_string(count) + ")");
    }
    const std::int64_t fadeIn = b[span.first].limite - s0;
    for (std::int64_t j = 0; j < std::min(fadeIn, delivered); ++j) samples[j] = static_cast<std::int16_t>(samples[j] * j / fadeIn);
    const std::int64_t fadeOut = s1 - b[span.last + 1].limite;
    for (std::int64_t j = 0; j < std::min(fadeOut, delivered); ++j) {
      auto& x = samples[delivered - 1 - j];
      x = static_cast<std::int16_t>(x * j / fadeOut);
    }
    const std::int64_t offset = gathered_.samples() - s0;
    if (!gathered_.append(samples.data(), delivered)) return false;
    for (int k = span.first; k <= span.last; ++k) {
      batch_.add(static_cast<std::int32_t>(b[k].limite + offset), b[k].text);
      batch_.add(static_cast<std::int32_t>(b[k + 1].limite + offset));
    }
    return true;
  }

  const CorpusSearch& request_;
  const SearchSinks& sinks_;
  CorpusOutcome& outcome_;
  GatheredWav gathered_;
  MarkBatch batch_;
  notetiqs labels_;
  bool stopped_ = false;
};

}  // namespace

std::int64_t searchMs(std::int64_t position, double frequence) {
  return frequence > 0 ? std::llround(static_cast<double>(position) * 1000.0 / frequence) : 0;
}

std::vector<SearchSequence> compileSequences(const std::vector<SearchSequence>& slots) {
  std::vector<SearchSequence> out;
  for (const auto& sequence : slots) {
    SearchSequence compiled;
    for (const auto& item : sequence)
      if (!item.empty()) compiled.push_back(item);
    if (!compiled.empty()) out.push_back(std::move(compiled));
  }
  return out;
}

std::vector<SearchSequence> parseSequences(const std::string& text, std::string& unknown) {
  std::vector<SearchSequence> slots;
  unknown.clear();
  const auto& description = phoneticDescription();
  for (const auto& part : split(text, ';')) {
    SearchSequence sequence;
    for (const auto& raw : split(part, ',')) {
      const auto item = trimmed(raw);
      if (item.empty()) continue;
      const bool known = item.front() == '[' ? description.classIndex(item) > 0 : description.phonemeIndex(item) > 0;
      if (!known) unknown += (unknown.empty() ? "" : " ") + item;
      sequence.push_back(item);
    }
    slots.push_back(std::move(sequence));
  }
  if (!unknown.empty()) return {};
  return compileSequences(slots);
}

void findSequences(const notetiqs& list, const std::vector<SearchSequence>& sequences,
                   const std::function<bool(const LabelSpan&)>& found) {
  const auto& items = list.items();
  const int labels = list.segmentCount();
  const auto& description = phoneticDescription();
  static const std::string kEmpty;
  for (const auto& sequence : sequences) {
    const int length = static_cast<int>(sequence.size());
    for (int i = 1 - length; i <= labels - 1; ++i) {
      bool match = true;
      for (int j = 0; j < length && match; ++j) {
        const int at = i + j;
        match = description.matches(sequence[j], at >= 0 && at < labels ? items[at].text : kEmpty);
      }
      if (!match) continue;
      const LabelSpan span{std::max(i, 0), std::min(i + length - 1, labels - 1)};
      if (span.first <= span.last && !found(span)) return;
    }
  }
}

void findWord(const notetiqs& list, const std::string& word, const std::function<bool(const LabelSpan&)>& found) {
  const auto& items = list.items();
  for (int k = 0; k < list.segmentCount(); ++k)
    if (items[k].text == word && !found({k, k})) return;
}

std::vector<std::string> listMatches(const notetiqs& list, const std::vector<SearchSequence>& sequences,
                                     const std::string& word, double frequence) {
  std::vector<std::string> lines;
  const auto add = [&](const LabelSpan& span) {
    lines.push_back(spanLine(list, span, frequence));
    return true;
  };
  if (sequences.empty()) findWord(list, word, add);
  else findSequences(list, sequences, add);
  return lines;
}

bool searchCorpus(const CorpusSearch& request, const SearchSinks& sinks, CorpusOutcome& outcome) {
  outcome = CorpusOutcome{};
  if (request.words ? request.word.empty() : request.sequences.empty()) {
    message(text(request.words ? 7310 : 7309));
    return false;
  }
  if (request.maxCount < 1) {
    message("The maximum number of occurrences must be at least 1.");
    return false;
  }
  return Search(request, sinks, outcome).run();
}

bool listCorpus(const std::filesystem::path& dir, const std::string& ext, std::vector<std::filesystem::path>& files,
                int& unreadable) {
  namespace fs = std::filesystem;
  unreadable = 0;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) {
    message(text(7306) + "\n" + dir.string());
    return false;
  }
  const auto wanted = lower(ext);
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) {
      ++unreadable;
      break;
    }
    const auto name = it->path().filename().string();
    if (name.empty() || name[0] == '.' || (wanted != ".*" && lower(it->path().extension().string()) != wanted))
      continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) {
      message(it->path().string() + ": not a regular file (" +
              (typeError ? typeError.message() : std::string("a directory or device")) + "); skipped.");
      ++unreadable;
      continue;
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  files.clear();
  files.reserve(names.size());
  for (const auto& name : names) files.push_back(dir / name);
  return true;
}

std::vector<std::filesystem::path> shardOf(const std::vector<std::filesystem::path>& files, int index, int count) {
  std::vector<std::filesystem::path> part;
  if (count < 1 || index < 1 || index > count) return part;
  for (std::size_t k = static_cast<std::size_t>(index - 1); k < files.size(); k += static_cast<std::size_t>(count))
    part.push_back(files[k]);
  return part;
}

}  // namespace ardv
