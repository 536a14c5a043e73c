// Information lines and the Details text.
#include "shell/logic/info_lines.h"

#include <algorithm>
#include <cstdio>

#include "signal/infofile.h"
#include "signal/profile_table.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

std::string printf1(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The header before the samples as the profile's `debut` describes it: none,
// a fixed size, or one computed from the file (its size or variables).
std::string headerKind(const Profile* profile) {
  if (!profile) return "unknown header";
  const FieldValue& start = profile->fields[kFieldDebut];
  if (start.kind == ' ' || start.failed) return "no header";
  const auto& e = start.expression;
  const bool computed =
      std::any_of(e.items.begin(), e.items.end(), [](const ExpressionItem& i) { return i.type == 'c' || i.type == 'v'; });
  return computed ? "computed header" : "fixed header";
}

bool isWavFile(const std::string& name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "wav" || ext == "ard";
}

}  // namespace

std::string InfoLines::get(int line) const {
  const auto it = lines_.find(line);
  return it == lines_.end() ? std::string() : it->second;
}

void setDurationLines(InfoLines& lines, double ms) {
  lines.set(kLineDuration, printf1("%.1f ms", ms));
  lines.set(kLineRate, ms >= 1.0 ? printf1("1/%.1f sec", 1000.0 / ms) : std::string());
}

void setSignalLines(InfoLines& lines, const Program& prog) {
  if (!prog.fileLoaded) {
    lines.clear(kLineSignal1);
    lines.clear(kLineSignal2);
    lines.clear(kLineSignal3);
    return;
  }
  const auto& e = prog.en_cours;
  const auto& ct = prog.ct;
  lines.set(kLineSignal1, e.nom);
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%.0f Hz, %d samples, %lld ms", e.frequence, ct.tf,
                static_cast<long long>(samplesToMs(ct.tf, e.frequence)));
  lines.set(kLineSignal2, buffer);
  std::snprintf(buffer, sizeof buffer, "shown: %d .. %d", ct.d_a, ct.f_a);
  lines.set(kLineSignal3, buffer);
}

std::string detailsText(const Program& prog) {
  if (!prog.fileLoaded || prog.en_cours.nom.empty()) return text(70);
  const auto& e = prog.en_cours;
  const auto& ct = prog.ct;
  std::string s = text(71) + e.nom;
  if (!isWavFile(e.nom)) {
    const Profile* profile = profileTable().at(e.formatIndex);
    s += text(72) + (profile ? profile->name : std::to_string(e.formatIndex));
    if (e.labelKind != kLabelNone)
      s += text(74) + headerKind(profile) + text(75) + labelKindName(e.labelKind);
    else
      s += text(73);
    if (e.annotationKind != kAnnotNone)
      s += text(77) + e.nomAnnot + text(78) + annotationKindName(e.annotationKind);
    else
      s += text(76);
  }
  s += textf(79, {static_cast<int>(e.frequence)});
  s += textf(80, {ct.tf - 1});
  s += textf(81, {ct.d_a, ct.f_a});
  s += textf(82, {ct.d_e, ct.f_e});
  s += textf(83, {ct.f_e - ct.d_e + 1});
  return s;
}

}  // namespace ardv::shell
