// Annotation: a sound's phoneme and word tiers as lists of (start, end,
// label) in seconds, label files read and written (TextGrid and the legacy
// kinds, as ardv-cli labels does), and the phonetic description's phonemes
// and classes.
#include <cmath>

#include "annotation/label_files.h"
#include "annotation/textgrid.h"
#include "labels/phonetic_description.h"
#include "python/common.h"
#include "signal/program.h"
#include "signal/time_conversion.h"

namespace ardv::python {
namespace {

// A label as Python text: UTF-8, other bytes kept as surrogates (legacy files).
py::str labelText(const std::string& text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape"));
}

py::list tierOf(const notetiqs& list, double fs) {
  py::list out;
  for (int i = 0; i + 1 < list.count(); ++i)
    out.append(py::make_tuple(list.position(i) / fs, list.position(i + 1) / fs, labelText(list.Text(i))));
  return out;
}

// Boundaries of (start, end, label) segments in time order, not overlapping;
// a gap between two becomes a segment without a label.
notetiqs listOf(const py::iterable& segments, double fs, std::int64_t tf) {
  notetiqs list;
  double previousEnd = -1.0;
  for (const py::handle item : segments) {
    const auto t = py::reinterpret_borrow<py::object>(item).cast<std::tuple<double, double, std::string>>();
    const auto [start, end, label] = t;
    if (!std::isfinite(start) || !std::isfinite(end) || start < 0.0 || end <= start)
      raiseValueError("a segment needs 0 <= start < end (seconds), finite");
    if (start < previousEnd) raiseValueError("segments must come in time order without overlapping");
    if (label.find_first_of("\r\n") != std::string::npos) raiseValueError("a label may not hold a line break");
    const std::int64_t a = msToSamples(start * 1000.0, fs), b = msToSamples(end * 1000.0, fs);
    if (b > tf) raiseValueError("a segment ends after the sound (" + std::to_string(end) + " s)");
    if (a == b) raiseValueError("a segment is shorter than one sample");
    const int at = list.insertOrGet(static_cast<std::int32_t>(a));
    const int until = list.insertOrGet(static_cast<std::int32_t>(b));
    if (at < 0 || until < 0) raiseValueError("too many boundaries");
    list.SetText(at, label);
    previousEnd = end;
  }
  return list;
}

LabelFileFormat kindOf(const std::string& name, bool wordsTier) {
  LabelFileFormat format;
  if (labelFileFormatByName(name, wordsTier, format)) return format;
  raiseValueError("kind must be textgrid, qern, nist, sam, align, vecsys or noisex, not \"" + name + "\"");
}

bool wordsTier(const std::string& tier) {
  if (tier != "phonemes" && tier != "words") raiseValueError("tier must be \"phonemes\" or \"words\"");
  return tier == "words";
}

void readLabelFile(const Sound& s, const std::filesystem::path& file, const std::string& kindName,
                   const std::string& tier) {
  const std::string path = file.string();
  const LabelFileFormat kind = kindOf(kindName, wordsTier(tier));
  checkReadable(path);
  const std::int64_t tf = s->sampleCount();
  notetiqs phon = s->phonemes, word = s->words;
  callCore([&] {
    if (kind.textGrid) return importTextGrid(path, s->rate(), tf, phon, word);
    notetiqs read;
    const infoFile from = labelFileTarget(s->info, kind, path);
    (kind.words ? readAnnotations(read, from) : readLabels(read, from));
    if (read.segmentCount() == 0) return false;
    (kind.words ? word : phon) = std::move(read);
    return true;
  });
  s->phonemes = std::move(phon);
  s->words = std::move(word);
}

void writeLabelFile(const Sound& s, const std::filesystem::path& file, const std::string& kindName,
                    const std::string& tier) {
  const std::string path = file.string();
  const LabelFileFormat kind = kindOf(kindName, wordsTier(tier));
  checkWritable(path);
  const std::int64_t tf = s->sampleCount();
  callCore([&] {
    if (kind.textGrid) return exportTextGrid(path, s->phonemes, s->words, s->rate(), tf);
    const infoFile to = labelFileTarget(s->info, kind, path);
    return kind.words ? writeAnnotations(s->words, to, tf) : writeLabels(s->phonemes, to, tf);
  });
}

py::list phonemes() {
  const PhoneticDescription& d = phoneticDescription();
  py::list out;
  for (int i = 1; i <= d.phonemeCount(); ++i) out.append(py::make_tuple(d.phoneme(i).label, d.phoneme(i).description));
  return out;
}

py::dict classes() {
  const PhoneticDescription& d = phoneticDescription();
  py::dict out;
  for (int k = 1; k <= d.classCount(); ++k) {
    const PhoneticClass& c = d.phoneticClass(k);
    py::list members;
    for (int i = 1; i <= d.phonemeCount(); ++i)
      if (d.matches(c.name, d.phoneme(i).label)) members.append(d.phoneme(i).label);
    out[py::str(c.name)] = py::make_tuple(c.description, members);
  }
  return out;
}

void loadLanguage(const std::filesystem::path& path) {
  checkReadable(path.string());
  callCore([&] {
    PhoneticDescription fresh;
    if (!fresh.load(path)) return false;
    phoneticDescription() = std::move(fresh);
    return true;
  });
}

}  // namespace

void bindAnnotation(py::module_& m) {
  py::object cls = m.attr("Sound");
  const auto tier = [](notetiqs SoundData::*member) {
    return py::cpp_function([member](const Sound& s) { return tierOf((*s).*member, s->rate()); });
  };
  const auto setTier = [](notetiqs SoundData::*member) {
    return py::cpp_function([member](const Sound& s, const py::iterable& segments) {
      (*s).*member = listOf(segments, s->rate(), s->sampleCount());
    });
  };
  cls.attr("phonemes") = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyProperty_Type))(
      tier(&SoundData::phonemes), setTier(&SoundData::phonemes), py::none(),
      "The phoneme tier: a list of (start s, end s, label); a gap between segments reads back as a segment "
      "without a label. Assigning a list replaces the tier (written with write()).");
  cls.attr("words") = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyProperty_Type))(
      tier(&SoundData::words), setTier(&SoundData::words), py::none(), "The word tier, as phonemes.");
  addMethod(cls, "read_labels", &readLabelFile, py::arg("path"), py::arg("kind") = "textgrid",
            py::arg("tier") = "phonemes",
            "Replaces a tier by a label file's: kind textgrid (both tiers), qern, nist, sam, align (phonemes), "
            "vecsys, nist, sam, noisex (words, with tier=\"words\"). Unknown labels and bad lines come as "
            "warnings; a file that gives no segment raises ardelovox.Error and changes nothing.");
  addMethod(cls, "write_labels", &writeLabelFile, py::arg("path"), py::arg("kind") = "textgrid",
            py::arg("tier") = "phonemes",
            "Writes a tier (textgrid: both) as a label file of the kind; replaced only once complete.");
  m.def("phonemes", &phonemes, "The language description's phonemes: a list of (label, description).");
  m.def("phonetic_classes", &classes,
        "The language description's classes: {\"[name]\": (description, [member phoneme labels])}, nested "
        "classes expanded.");
  m.def("load_language", &loadLanguage, py::arg("path"),
        "Loads a language file (.lng) as the description used by labels, classes and searches. Not while "
        "another thread searches.");
  m.def("language_file", [] { return (program().dirs.format / program().settings.languageFile).string(); },
        "The language file loaded at start-up (LanguageFile of ardv.ini).");
}

}  // namespace ardv::python
