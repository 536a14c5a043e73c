// Makes the bundled example signal: a sentence spoken by the espeak-ng
// synthesizer, resampled to 16 kHz, with "phon" (SAMPA labels of the English
// language file) and "word" chunks placed from the synthesizer's events.
//
// Usage: make-example OUTPUT.wav ["sentence"]
// Not part of the program's build: scripts/make-example.sh builds and runs it.

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "labels/notetiqs.h"
#include "platform/headless/stderr_reporter.h"
#include "platform/report.h"
#include "signal/wav_layout.h"

namespace {

constexpr double kTargetRate = 16000.0;
constexpr int kHalfTaps = 32;          // resampling kernel half-length, input samples
constexpr double kPassFraction = 0.9;  // low-pass edge as a fraction of the output Nyquist frequency

struct Event {
  int type;
  int ms;           // audio position
  std::string name; // phoneme mnemonic, or the word's text
};

struct Synthesis {
  std::vector<short> samples;
  std::vector<Event> events;
  std::string text;
};

int collect(short* wav, int count, espeak_EVENT* events) {
  auto* out = static_cast<Synthesis*>(events->user_data);
  if (wav && count > 0) out->samples.insert(out->samples.end(), wav, wav + count);
  for (espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type == espeakEVENT_PHONEME) {
      out->events.push_back({e->type, e->audio_position, std::string(e->id.string, ::strnlen(e->id.string, 8))});
    } else if (e->type == espeakEVENT_WORD) {
      // text_position counts characters from 1.
      std::string word = out->text.substr(static_cast<std::size_t>(e->text_position - 1),
                                          static_cast<std::size_t>(e->length));
      out->events.push_back({e->type, e->audio_position, word});
    } else if (e->type == espeakEVENT_END || e->type == espeakEVENT_MSG_TERMINATED) {
      out->events.push_back({e->type, e->audio_position, ""});
    }
  }
  return 0;
}

// espeak-ng's American English mnemonics to the SAMPA labels of english.lng;
// pauses become "#". Stress marks are removed before the lookup.
std::string sampa(std::string m) {
  m.erase(std::remove_if(m.begin(), m.end(), [](char c) { return c == '\'' || c == ',' || c == '%' || c == '='; }),
          m.end());
  static const std::map<std::string, std::string> table = {
      {"@", "@"},   {"@2", "@"},  {"@5", "@"},   {"a#", "@"},  {"3", "@`"},  {"3:", "3`"}, {"I", "I"},
      {"I2", "I"},  {"i", "i"},   {"i:", "i"},   {"E", "E"},   {"a", "{"},   {"aa", "{"},  {"A:", "A"},
      {"A@", "A"},  {"0", "A"},   {"V", "V"},    {"O:", "O"},  {"O", "O"},   {"U", "U"},   {"u:", "u"},
      {"eI", "eI"}, {"aI", "aI"}, {"OI", "OI"},  {"aU", "aU"}, {"oU", "oU"}, {"p", "p"},   {"t", "t"},
      {"t#", "t"},  {"k", "k"},   {"b", "b"},    {"d", "d"},   {"d#", "d"},  {"g", "g"},   {"tS", "tS"},
      {"dZ", "dZ"}, {"f", "f"},   {"T", "T"},    {"s", "s"},   {"S", "S"},   {"h", "h"},   {"v", "v"},
      {"D", "D"},   {"z", "z"},   {"Z", "Z"},    {"m", "m"},   {"n", "n"},   {"n-", "n"},  {"N", "N"},
      {"l", "l"},   {"l/", "l"},  {"r", "r"},    {"r-", "r"},  {"w", "w"},   {"j", "j"},   {"_", "#"},
      {"_:", "#"},  {"_!", "#"},  {"_|", "#"},   {"?", "cl"}};
  auto it = table.find(m);
  if (it != table.end()) return it->second;
  if (!m.empty() && m[0] == '_') return "#";
  std::fprintf(stderr, "make-example: no SAMPA label for \"%s\"; left unlabelled\n", m.c_str());
  return "";
}

// Windowed-sinc rate conversion (Blackman window, 2 x kHalfTaps taps).
std::vector<std::int16_t> resample(const std::vector<short>& x, double fromRate, double toRate) {
  const double step = fromRate / toRate;
  const double cutoff = kPassFraction * 0.5 * toRate / fromRate;  // cycles per input sample
  const auto n = static_cast<std::size_t>(std::floor(static_cast<double>(x.size()) / step));
  std::vector<std::int16_t> y(n);
  for (std::size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) * step;
    long centre = static_cast<long>(std::floor(t));
    double acc = 0.0;
    for (long k = centre - kHalfTaps + 1; k <= centre + kHalfTaps; ++k) {
      if (k < 0 || k >= static_cast<long>(x.size())) continue;
      double d = t - static_cast<double>(k);
      double arg = 2.0 * cutoff * d;
      double sinc = std::abs(arg) < 1e-12 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
      double w = 0.42 + 0.5 * std::cos(std::numbers::pi * d / kHalfTaps) +
                 0.08 * std::cos(2.0 * std::numbers::pi * d / kHalfTaps);
      acc += x[static_cast<std::size_t>(k)] * 2.0 * cutoff * sinc * w;
    }
    y[i] = static_cast<std::int16_t>(std::clamp(std::lround(acc), -32768L, 32767L));
  }
  return y;
}

std::int32_t at16k(int ms) { return static_cast<std::int32_t>(std::lround(ms * kTargetRate / 1000.0)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make-example OUTPUT.wav [\"sentence\"]\n");
    return 2;
  }
  ardv::StderrReporter reporter;
  ardv::setReportHandler(&reporter);

  Synthesis synth;
  synth.text = argc == 3 ? argv[2] : "The quick brown fox jumps over the lazy dog.";
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_PHONEME_EVENTS);
  if (rate <= 0 || espeak_SetVoiceByName("en-us") != EE_OK) {
    std::fprintf(stderr, "make-example: espeak-ng could not start with the en-us voice\n");
    return 1;
  }
  espeak_SetSynthCallback(collect);
  if (espeak_Synth(synth.text.c_str(), synth.text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                   &synth) != EE_OK) {
    std::fprintf(stderr, "make-example: synthesis failed\n");
    return 1;
  }
  espeak_Terminate();

  std::vector<std::int16_t> samples = resample(synth.samples, rate, kTargetRate);
  const auto last = static_cast<std::int32_t>(samples.size());

  // Phonemes: a boundary where each phoneme starts (runs of pauses merged);
  // the silence before the first one is a pause; the final boundary closes
  // the last phoneme at the end of the signal.
  ardv::notetiqs phon, word;
  std::vector<std::int32_t> phonemeStarts;
  for (const Event& e : synth.events) {
    if (e.type != espeakEVENT_PHONEME) continue;
    std::int32_t p = std::min(at16k(e.ms), last);
    std::string label = sampa(e.name);
    if (p > 0 && phon.empty()) phon.SetText(phon.insertOrGet(0), "#");
    if (label == "#" && !phon.empty() && phon.Text(phon.count() - 1) == "#") continue;
    phon.SetText(phon.insertOrGet(p), label);
    if (label != "#") phonemeStarts.push_back(p);
  }
  phon.insertOrGet(last);
  // Words: the synthesizer announces a word a little before its first
  // phoneme; each word starts at the first phoneme at or after its event. The
  // list closes at the first pause after the last word.
  for (const Event& e : synth.events) {
    if (e.type != espeakEVENT_WORD) continue;
    auto first = std::lower_bound(phonemeStarts.begin(), phonemeStarts.end(), at16k(e.ms));
    if (first == phonemeStarts.end()) continue;
    word.SetText(word.insertOrGet(*first), e.name);
  }
  std::int32_t wordEnd = last;
  if (!word.empty()) {
    std::int32_t lastStart = word.position(word.count() - 1);
    for (int i = 0; i < phon.count(); ++i)
      if (phon.position(i) > lastStart && phon.Text(i) == "#") {
        wordEnd = phon.position(i);
        break;
      }
    word.insertOrGet(wordEnd);
  }

  if (!ardv::writeWavFile(argv[1], samples, kTargetRate, phon, word)) return 1;
  std::printf("%s: %zu samples at 16000 Hz, %d phoneme and %d word segments\n", argv[1], samples.size(),
              phon.segmentCount(), word.segmentCount());
  for (int i = 0; i < phon.count(); ++i) std::printf("%d:%s ", phon.position(i), phon.Text(i).c_str());
  std::printf("\n");
  for (int i = 0; i < word.count(); ++i) std::printf("%d:%s ", word.position(i), word.Text(i).c_str());
  std::printf("\n");
  return 0;
}
