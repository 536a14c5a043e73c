// Reading and writing the label files that go with a non-WAV signal.

#include "annotation/label_files.h"

#include <fstream>
#include <sstream>

#include "annotation/label_text.h"
#include "platform/report.h"
#include "signal/replacing_file.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {
namespace {

const char* const kPhonemeKinds[] = {"", "QERN", "NIST", "SAM", "ALIGN"};
const char* const kWordKinds[] = {"", "VECSYS", "NIST", "SAM", "NOISEX"};

// Writes `content` to `name` unless a label holds a line break, which would
// become extra lines; then warns about positions fitted to tf.
bool writeText(const std::string& name, const std::string& content, const notetiqs& list, const char* kind,
               std::int64_t tf) {
  if (!isWritableTargetWarn(name)) return false;
  const int broken = labeltext::firstLineBreak(list);
  if (broken >= 0) {
    message(name + " is not written: the label \"" + labeltext::escapeControls(list.items()[broken].text) +
            "\" (segment " + std::to_string(broken + 1) + ") holds a line break, which a " + kind +
            " file cannot hold.");
    return false;
  }
  try {
    ReplacingFile out{std::filesystem::path(name)};
    if (out.open() && out.write(content.data(), content.size()) && out.commit()) {
      FitCount fit;
      fittedCopy(list, tf, &fit);
      reportFit(fit, name, tf);
      return true;
    }
    message(text(7701) + "\n" + name + ": " + out.error());
    return false;
  } catch (const std::exception&) {
  }
  message(text(7701) + "\n" + name);
  return false;
}

bool readText(const std::string& name, std::string& content) {
  try {
    std::ifstream in(name, std::ios::binary);
    if (!in || !std::filesystem::is_regular_file(name)) return false;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return false;
    content = all.str();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const char* kindName(const char* const (&names)[5], int kind) { return names[kind >= 1 && kind <= 4 ? kind : 1]; }

}  // namespace

bool writeLabels(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  if (info.labelKind == kLabelNone) return true;
  if (!isSeparateOutput(info.nom_man, info.nom)) return false;
  return writeText(info.nom_man, formatPhonemeFile(list, info, tf), list, kindName(kPhonemeKinds, info.labelKind), tf);
}

bool writeAnnotations(const notetiqs& list, const infoFile& info, std::int64_t tf) {
  if (info.annotationKind == kAnnotNone) return true;
  if (!isSeparateOutput(info.nomAnnot, info.nom)) return false;
  return writeText(info.nomAnnot, formatWordFile(list, info, tf), list, kindName(kWordKinds, info.annotationKind),
                   tf);
}

bool readLabels(notetiqs& list, const infoFile& info) {
  if (info.labelKind == kLabelNone) {
    list.clear();
    return true;
  }
  std::string content;
  if (!readText(info.nom_man, content)) {
    message(text(info.labelKind == kLabelAlign ? 4701 : 4704) + "\n" + info.nom_man);
    return false;
  }
  return parsePhonemeFile(content, info, info.nom_man, list);
}

bool readAnnotations(notetiqs& list, const infoFile& info) {
  if (info.annotationKind == kAnnotNone) {
    list.clear();
    return true;
  }
  std::string content;
  if (!readText(info.nomAnnot, content)) {
    message(text(4702) + "\n" + info.nomAnnot);
    return false;
  }
  return parseWordFile(content, info, info.nomAnnot, list);
}

bool labelFileFormatByName(const std::string& name, bool wordsTier, LabelFileFormat& format) {
  if (name == "textgrid") format = {true, false, 0};
  else if (name == "qern") format = {false, false, kLabelQern};
  else if (name == "align") format = {false, false, kLabelAlign};
  else if (name == "vecsys") format = {false, true, kAnnotVecsys};
  else if (name == "noisex") format = {false, true, kAnnotNoisex};
  else if (name == "nist") format = {false, wordsTier, wordsTier ? int{kAnnotNist} : int{kLabelNist}};
  else if (name == "sam") format = {false, wordsTier, wordsTier ? int{kAnnotSam} : int{kLabelSam}};
  else return false;
  return true;
}

int labelFileCodeByName(const std::string& name, bool wordsTier) {
  LabelFileFormat format;
  if (!labelFileFormatByName(name, wordsTier, format) || format.textGrid || format.words != wordsTier) return 0;
  return format.code;
}

infoFile labelFileTarget(const infoFile& signal, const LabelFileFormat& format, const std::string& path) {
  infoFile info = signal;
  info.labelKind = format.words ? kLabelNone : format.code;
  info.annotationKind = format.words ? format.code : kAnnotNone;
  info.nom_man = info.nomAnnot = path;
  return info;
}

}  // namespace ardv
