// Praat TextGrid import and export.
//
// Reading uses a tokenizer that keeps numbers, quoted strings ("" inside is
// one quote) and <flags>, and skips everything else (the long format's
// "xmin =" labels, bracketed indices, "!" comments): the long and the short
// format then give the same tokens.

#include "annotation/textgrid.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "annotation/label_text.h"
#include "platform/report.h"
#include "signal/replacing_file.h"

namespace ardv {
namespace {

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string number(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

struct Interval {
  std::int64_t start, end;
  std::string text;
};

// Contiguous intervals 0..tf from the list, gaps unlabelled.
std::vector<Interval> intervalsOf(const notetiqs& list, std::int64_t tf) {
  std::vector<Interval> out;
  std::int64_t at = 0;
  auto add = [&](std::int64_t end, const std::string& text) {
    end = std::clamp<std::int64_t>(end, at, tf);
    if (end > at) out.push_back({at, end, text});
    at = end;
  };
  for (int i = 0; i < list.count(); ++i) {
    add(list.position(i), std::string());
    if (i + 1 < list.count()) add(list.position(i + 1), list.Text(i));
  }
  add(tf, std::string());
  if (out.empty()) out.push_back({0, tf, std::string()});
  return out;
}

void appendTier(std::string& out, int index, const char* name, const std::vector<Interval>& intervals,
                double frequence, double xmax) {
  using labeltext::appendf;
  appendf(out, "    item [%d]:\n        class = \"IntervalTier\" \n        name = %s \n", index, quoted(name).c_str());
  appendf(out, "        xmin = 0 \n        xmax = %s \n", number(xmax).c_str());
  appendf(out, "        intervals: size = %zu \n", intervals.size());
  for (std::size_t k = 0; k < intervals.size(); ++k) {
    const double end = intervals[k].end == intervals.back().end ? xmax : intervals[k].end / frequence;
    appendf(out, "        intervals [%zu]:\n            xmin = %s \n            xmax = %s \n            text = %s \n",
            k + 1, number(intervals[k].start / frequence).c_str(), number(end).c_str(),
            quoted(intervals[k].text).c_str());
  }
}

// --- reading ---

enum class TokenKind { Number, String, Flag };
struct Token {
  TokenKind kind;
  std::string text;
  double value = 0.0;
};

bool tokenize(std::string_view s, std::vector<Token>& tokens) {
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') {
      std::string text;
      ++i;
      for (;;) {
        if (i >= s.size()) return false;  // unterminated string
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            text += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += s[i++];
      }
      tokens.push_back({TokenKind::String, std::move(text)});
    } else if (c == '<') {
      const std::size_t end = s.find('>', i);
      if (end == std::string_view::npos) return false;
      tokens.push_back({TokenKind::Flag, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (c == '!') {
      const std::size_t end = s.find('\n', i);
      i = end == std::string_view::npos ? s.size() : end;
    } else if (c == '[') {
      const std::size_t end = s.find(']', i);
      i = end == std::string_view::npos ? s.size() : end + 1;
    } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
      std::size_t end = i;
      while (end < s.size() && !std::isspace(static_cast<unsigned char>(s[end]))) ++end;
      std::string_view word = s.substr(i, end - i);
      if (!word.empty() && word.front() == '+') word.remove_prefix(1);
      double v = 0.0;
      const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
      if (r.ec != std::errc() || r.ptr != word.data() + word.size() || !std::isfinite(v)) return false;
      tokens.push_back({TokenKind::Number, std::string(word), v});
      i = end;
    } else {
      // A label ("xmin", "=", "intervals:", "tiers?"): skipped with its characters.
      while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '"' && s[i] != '<' &&
             s[i] != '[')
        ++i;
      while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  }
  return true;
}

class TokenReader {
 public:
  explicit TokenReader(const std::vector<Token>& tokens) : tokens_(tokens) {}
  bool number(double& v) {
    if (at_ >= tokens_.size() || tokens_[at_].kind != TokenKind::Number) return false;
    v = tokens_[at_++].value;
    return true;
  }
  // A number with the text it was written as.
  bool number(double& v, std::string& text) {
    if (at_ >= tokens_.size() || tokens_[at_].kind != TokenKind::Number) return false;
    text = tokens_[at_].text;
    v = tokens_[at_++].value;
    return true;
  }
  bool string(std::string& s) {
    if (at_ >= tokens_.size() || tokens_[at_].kind != TokenKind::String) return false;
    s = tokens_[at_++].text;
    return true;
  }
  bool count(std::size_t& n) {
    double v = 0;
    if (!number(v) || v < 0 || v != std::floor(v) || v > 1e8) return false;
    n = static_cast<std::size_t>(v);
    return n <= tokens_.size();  // each item needs at least one token
  }
  std::optional<std::string> flag() {
    if (at_ < tokens_.size() && tokens_[at_].kind == TokenKind::Flag) return tokens_[at_++].text;
    return std::nullopt;
  }

 private:
  const std::vector<Token>& tokens_;
  std::size_t at_ = 0;
};

// A tier as read: times with the text they were written as, so that a tier
// kept through a save is written again as it was.
struct Tier {
  std::string name;
  bool intervals = true;  // else a point tier ("TextTier")
  double tmin = 0, tmax = 0;
  std::string tminText, tmaxText;
  std::vector<std::pair<double, double>> times;          // a point's time twice
  std::vector<std::pair<std::string, std::string>> timeTexts;
  std::vector<std::string> texts;
};

// False when the tokens are not a TextGrid; `why` says what is wrong. Every
// tier goes into `tiers`, point tiers too.
bool readGrid(const std::vector<Token>& tokens, std::vector<Tier>& tiers, std::string& why) {
  TokenReader in(tokens);
  std::string fileType, objectClass;
  if (!in.string(fileType) || fileType.rfind("ooTextFile", 0) != 0 || !in.string(objectClass) ||
      objectClass != "TextGrid") {
    why = "it does not begin with File type = \"ooTextFile\" and Object class = \"TextGrid\"";
    return false;
  }
  double xmin = 0, xmax = 0;
  if (!in.number(xmin) || !in.number(xmax)) {
    why = "the time domain is missing";
    return false;
  }
  const auto exists = in.flag();
  if (exists && *exists != "exists") return true;  // <absent>: no tiers
  std::size_t size = 0;
  if (!in.count(size)) {
    why = "the number of tiers is missing";
    return false;
  }
  for (std::size_t t = 0; t < size; ++t) {
    std::string tierClass;
    Tier tier;
    std::size_t n = 0;
    if (!in.string(tierClass) || !in.string(tier.name) || !in.number(tier.tmin, tier.tminText) ||
        !in.number(tier.tmax, tier.tmaxText) || !in.count(n)) {
      why = "tier " + std::to_string(t + 1) + " is incomplete";
      return false;
    }
    tier.intervals = tierClass == "IntervalTier";
    if (!tier.intervals && tierClass != "TextTier") {
      why = "tier " + std::to_string(t + 1) + " has the unknown class \"" + tierClass + "\"";
      return false;
    }
    for (std::size_t k = 0; k < n; ++k) {
      double a = 0, b = 0;
      std::string aText, bText, text;
      if (!in.number(a, aText) || (tier.intervals && !in.number(b, bText)) || !in.string(text)) {
        why = "tier " + std::to_string(t + 1) + " ends before its " + std::to_string(n) + " items";
        return false;
      }
      if (!tier.intervals) b = a;
      tier.times.emplace_back(a, b);
      tier.timeTexts.emplace_back(std::move(aText), std::move(bText));
      tier.texts.push_back(std::move(text));
    }
    tiers.push_back(std::move(tier));
  }
  return true;
}

// A tier kept through a save, written in the long format with its own times.
void appendKeptTier(std::string& out, int index, const Tier& tier) {
  using labeltext::appendf;
  const char* item = tier.intervals ? "intervals" : "points";
  appendf(out, "    item [%d]:\n        class = %s \n        name = %s \n", index,
          tier.intervals ? "\"IntervalTier\"" : "\"TextTier\"", quoted(tier.name).c_str());
  appendf(out, "        xmin = %s \n        xmax = %s \n", tier.tminText.c_str(), tier.tmaxText.c_str());
  appendf(out, "        %s: size = %zu \n", item, tier.texts.size());
  for (std::size_t k = 0; k < tier.texts.size(); ++k) {
    const auto& [a, b] = tier.timeTexts[k];
    if (tier.intervals)
      appendf(out, "        intervals [%zu]:\n            xmin = %s \n            xmax = %s \n            text = %s \n",
              k + 1, a.c_str(), b.c_str(), quoted(tier.texts[k]).c_str());
    else
      appendf(out, "        points [%zu]:\n            number = %s \n            mark = %s \n", k + 1, a.c_str(),
              quoted(tier.texts[k]).c_str());
  }
}

// The boundaries of an interval tier, fitted to a signal of tf samples
// (tf <= 0: length unknown); false after a report when memory runs out.
bool fillList(const Tier& tier, double frequence, std::int64_t tf, const std::string& path, notetiqs& list) {
  auto sample = [&](double seconds) {
    const double s = std::round(seconds * frequence);
    return static_cast<std::int32_t>(std::clamp<double>(s, std::numeric_limits<std::int32_t>::min(),
                                                        std::numeric_limits<std::int32_t>::max()));
  };
  MarkBatch marks;
  const std::size_t n = tier.times.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::int32_t a = sample(tier.times[k].first), b = sample(tier.times[k].second);
    const std::string& text = tier.texts[k];
    if (b <= a) continue;
    if (!text.empty() || k > 0) marks.add(a);
    if (!text.empty() || k + 1 < n) marks.add(b);
    if (!text.empty()) marks.add(a, text);
  }
  if (!marks.mergeInto(list)) return false;
  reportFit(fitToSignal(list, tf), path, tf);
  return true;
}

// The interval tiers read into the phoneme and the word list.
void chooseTiers(const std::vector<Tier>& tiers, const Tier*& phon, const Tier*& word) {
  for (const Tier& t : tiers) {
    if (!t.intervals) continue;
    if (!phon && t.name == kPhonemeTierName) phon = &t;
    if (!word && t.name == kWordTierName) word = &t;
  }
  for (const Tier& t : tiers) {
    if (!t.intervals || &t == phon || &t == word || t.name == kPhonemeTierName || t.name == kWordTierName) continue;
    if (!phon)
      phon = &t;
    else if (!word)
      word = &t;
  }
}

}  // namespace

namespace {

// The two lists written in place of the tiers `phon` and `word` of `kept`
// (null: appended), every other tier of `kept` as it was read.
std::string formatGrid(const notetiqs& phonemes, const notetiqs& words, double frequence, std::int64_t tf,
                       const std::vector<Tier>& kept, const Tier* phon, const Tier* word) {
  if (frequence < 1e-10) return {};
  tf = std::max<std::int64_t>(tf, 0);
  const double xmax = static_cast<double>(tf) / frequence;
  double gridMin = 0, gridMax = xmax;
  for (const Tier& t : kept) {
    if (&t == phon || &t == word) continue;
    gridMin = std::min(gridMin, t.tmin);
    gridMax = std::max(gridMax, t.tmax);
  }
  const std::size_t size = kept.size() + (phon ? 0 : 1) + (word ? 0 : 1);
  std::string out = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = " + number(gridMin) + " \n";
  out += "xmax = " + number(gridMax) + " \ntiers? <exists> \nsize = " + std::to_string(size) + " \nitem []: \n";
  int index = 0;
  const auto ours = [&](const notetiqs& list, const std::string& name) {
    appendTier(out, ++index, name.c_str(), intervalsOf(fittedCopy(list, tf), tf), frequence, xmax);
  };
  if (!phon) ours(phonemes, kPhonemeTierName);
  if (!word) ours(words, kWordTierName);
  for (const Tier& t : kept) {
    if (&t == phon)
      ours(phonemes, t.name);
    else if (&t == word)
      ours(words, t.name);
    else
      appendKeptTier(out, ++index, t);
  }
  return out;
}

}  // namespace

std::string formatTextGrid(const notetiqs& phonemes, const notetiqs& words, double frequence, std::int64_t tf) {
  return formatGrid(phonemes, words, frequence, tf, {}, nullptr, nullptr);
}

std::optional<std::string> mergeTextGrid(const std::string& previous, const notetiqs& phonemes,
                                         const notetiqs& words, double frequence, std::int64_t tf) {
  std::vector<Token> tokens;
  std::vector<Tier> tiers;
  std::string why;
  if (!tokenize(labeltext::decodeText(previous), tokens) || !readGrid(tokens, tiers, why)) return std::nullopt;
  const Tier* phon = nullptr;
  const Tier* word = nullptr;
  chooseTiers(tiers, phon, word);
  return formatGrid(phonemes, words, frequence, tf, tiers, phon, word);
}

bool parseTextGrid(const std::string& content, double frequence, std::int64_t tf, const std::string& path,
                   notetiqs& phonemes, notetiqs& words) {
  const std::string text = labeltext::decodeText(content);
  std::vector<Token> tokens;
  std::vector<Tier> tiers;
  std::string why = "a string or a <flag> is not closed, or a number is malformed";
  if (frequence < 1e-10) why = "the signal has no sampling frequency";
  if (frequence < 1e-10 || !tokenize(text, tokens) || !readGrid(tokens, tiers, why)) {
    message("The file " + path + " cannot be read as a TextGrid: " + why + ".");
    return false;
  }
  const Tier* phon = nullptr;
  const Tier* word = nullptr;
  chooseTiers(tiers, phon, word);
  if (!phon) {
    message("no records read from " + path + " (is it a TextGrid with an interval tier? UTF-16?)");
    return false;
  }
  notetiqs p, w;
  if (!fillList(*phon, frequence, tf, path, p) || (word && !fillList(*word, frequence, tf, path, w))) return false;
  phonemes = std::move(p);
  if (word) words = std::move(w);
  return true;
}

std::optional<TextGridTiers> textGridTiers(const std::string& content) {
  std::vector<Token> tokens;
  std::vector<Tier> tiers;
  TextGridTiers names;
  std::string why;
  if (!tokenize(labeltext::decodeText(content), tokens) || !readGrid(tokens, tiers, why)) return std::nullopt;
  for (const Tier& t : tiers) names.all.push_back(t.name);
  const Tier* phon = nullptr;
  const Tier* word = nullptr;
  chooseTiers(tiers, phon, word);
  if (phon) names.phonemes = phon->name;
  if (word) names.words = word->name;
  return names;
}

std::optional<std::vector<ShownTier>> otherTextGridTiers(const std::string& content, double frequence) {
  std::vector<Token> tokens;
  std::vector<Tier> tiers;
  std::string why;
  if (frequence < 1e-10 || !tokenize(labeltext::decodeText(content), tokens) || !readGrid(tokens, tiers, why))
    return std::nullopt;
  const Tier* phon = nullptr;
  const Tier* word = nullptr;
  chooseTiers(tiers, phon, word);
  const auto sample = [frequence](double seconds) {
    return static_cast<std::int64_t>(std::clamp<double>(std::round(seconds * frequence), -9e15, 9e15));
  };
  std::vector<ShownTier> shown;
  for (const Tier& t : tiers) {
    if (&t == phon || &t == word) continue;
    ShownTier tier{t.name, !t.intervals, {}};
    tier.items.reserve(t.texts.size());
    for (std::size_t k = 0; k < t.texts.size(); ++k)
      tier.items.push_back({sample(t.times[k].first), sample(t.times[k].second), t.texts[k]});
    shown.push_back(std::move(tier));
  }
  return shown;
}

bool exportTextGrid(const std::string& path, const notetiqs& phonemes, const notetiqs& words, double frequence,
                    std::int64_t tf, bool keepOtherTiers) {
  if (frequence < 1e-10) {
    message("The TextGrid " + path + " is not written: the signal has no sampling frequency.");
    return false;
  }
  std::string content;
  try {
    std::error_code ec;
    if (keepOtherTiers && std::filesystem::is_regular_file(path, ec)) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream all;
      all << in.rdbuf();
      if (!in.bad()) {
        if (auto merged = mergeTextGrid(all.str(), phonemes, words, frequence, tf)) content = std::move(*merged);
      }
    }
    if (content.empty()) content = formatTextGrid(phonemes, words, frequence, tf);
    ReplacingFile out{std::filesystem::path(path)};
    if (out.open() && out.write(content.data(), content.size()) && out.commit()) {
      FitCount phonFit, wordFit;
      fittedCopy(phonemes, tf, &phonFit);
      fittedCopy(words, tf, &wordFit);
      reportFit({phonFit.outside + wordFit.outside, phonFit.labelsDropped + wordFit.labelsDropped}, path, tf);
      return true;
    }
    message("The TextGrid " + path + " cannot be written: " + out.error());
    return false;
  } catch (const std::exception&) {
  }
  message("The TextGrid " + path + " cannot be written.");
  return false;
}

bool importTextGrid(const std::string& path, double frequence, std::int64_t tf, notetiqs& phonemes,
                    notetiqs& words) {
  std::string content;
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path)) {
      message("The TextGrid " + path + " cannot be opened.");
      return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    content = all.str();
  } catch (const std::exception&) {
    message("The TextGrid " + path + " cannot be read.");
    return false;
  }
  return parseTextGrid(content, frequence, tf, path, phonemes, words);
}

}  // namespace ardv
