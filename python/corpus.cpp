// Corpus work: the occurrences of phoneme sequences or of a word in the files
// of a folder, and the measurement table of segments, as ardv-cli search and
// measure compute them.
#include <sys/stat.h>

#include <cerrno>

#include "annotation/label_files.h"
#include "formants/formant_options.h"
#include "measurement/segment_table.h"
#include "python/common.h"
#include "search/corpus_search.h"
#include "signal/profile_table.h"

namespace ardv::python {
namespace {

int labelKindByName(const std::optional<std::string>& name, bool words) {
  if (!name) return 1;
  if (const int code = labelFileCodeByName(*name, words)) return code;
  raiseValueError("labels_kind must be " +
                  std::string(words ? "vecsys, nist, sam or noisex" : "qern, nist, sam or align"));
}

std::string dotted(const std::string& ext) { return ext.empty() || ext[0] != '.' ? "." + ext : ext; }

int profileIndexOf(const std::optional<std::string>& name) {
  if (!name) return -1;
  int index = -1;
  callCore([&] {
    init_fmt();
    index = profileTable().indexOf(*name);
    return true;
  });
  if (index < 0) raiseValueError("no format profile named \"" + *name + "\"");
  return index;
}

// The files of `path`: the file itself, or those of the folder with the extension.
std::vector<std::filesystem::path> filesOf(const std::string& path, const std::string& ext, bool fileAllowed) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) raiseOSError(errno, path);
  if (!S_ISDIR(st.st_mode)) {
    if (!fileAllowed) raiseOSError(ENOTDIR, path);
    checkReadable(path);
    return {path};
  }
  std::vector<std::filesystem::path> files;
  int unreadable = 0;
  callCore([&] { return listCorpus(path, ext, files, unreadable); });
  if (unreadable > 0) warnPython(std::to_string(unreadable) + " entries of " + path + " could not be examined");
  return files;
}

std::vector<SearchSequence> sequencesOf(const std::string& text) {
  std::string unknown;
  auto sequences = parseSequences(text, unknown);
  if (!unknown.empty() || sequences.empty())
    raiseValueError("not phonemes or classes of the language file: " + (unknown.empty() ? text : unknown));
  return sequences;
}

py::list search(const std::filesystem::path& folderPath, std::optional<std::string> phonemes,
                std::optional<std::string> word, const std::string& ext, int maxCount,
                std::optional<std::string> labelsDir, std::optional<std::string> labelsExt,
                std::optional<std::string> labelsKind, std::optional<std::string> profile,
                std::optional<std::filesystem::path> gatheredPath) {
  const std::string folder = folderPath.string();
  std::optional<std::string> gathered;
  if (gatheredPath) gathered = gatheredPath->string();
  if (phonemes.has_value() == word.has_value()) raiseValueError("give phonemes or word (one of them)");
  if (maxCount < 1) raiseValueError("max must be at least 1");
  CorpusSearch request;
  request.words = word.has_value();
  request.maxCount = maxCount;
  request.labelKind = labelKindByName(labelsKind, request.words);
  request.labelExt = dotted(labelsExt.value_or(request.words ? ".wrd" : ".lab"));
  request.labelDir = labelsDir.value_or(folder);
  request.formatIndex = profileIndexOf(profile);
  if (request.words)
    request.word = *word;
  else
    request.sequences = sequencesOf(*phonemes);
  if (gathered) {
    checkWritable(*gathered);
    request.gathered = *gathered;
  }
  request.files = filesOf(folder, dotted(ext), false);
  std::vector<std::string> lines;
  CorpusOutcome outcome;
  SearchSinks sinks;
  sinks.results = [](const std::string&) {};
  sinks.list = [&](const std::string& line) { lines.push_back(line); };
  callCore([&] { return searchCorpus(request, sinks, outcome); });
  if (outcome.skipped > 0) warnPython(std::to_string(outcome.skipped) + " files skipped");
  py::list out;
  const py::object occurrence = namedTuple("Occurrence");
  for (const std::string& line : lines) {
    std::vector<std::string> f;
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
      const std::size_t tab = line.find('\t', at);
      f.push_back(line.substr(at, tab - at));
      at = tab == std::string::npos ? line.size() : tab + 1;
    }
    f.push_back(line.substr(std::min(at, line.size())));
    const auto text = [](const std::string& t) {
      return py::reinterpret_steal<py::str>(
          PyUnicode_DecodeUTF8(t.data(), static_cast<Py_ssize_t>(t.size()), "surrogateescape"));
    };
    out.append(occurrence(text(f[0]), std::stod(f[1]) / 1000.0, std::stod(f[2]) / 1000.0, text(f[3])));
  }
  return out;
}

py::object measure(const std::filesystem::path& file, const std::string& tier, std::optional<std::string> phonemes,
                   std::optional<std::string> word, const std::string& ext, std::optional<std::string> labelsDir,
                   std::optional<std::string> labelsExt, std::optional<std::string> labelsKind,
                   std::optional<std::string> profile, const std::string& speaker, std::optional<double> voiceF0Floor,
                   const std::string& measures, const std::string& method, const py::object& ceiling,
                   bool columns) {
  const std::string path = file.string();
  if (tier != "phonemes" && tier != "words") raiseValueError("tier must be \"phonemes\" or \"words\"");
  if (phonemes && word) raiseValueError("give phonemes or word, not both");
  SegmentRequest request;
  request.words = word.has_value() || tier == "words";
  if (phonemes && request.words) raiseValueError("phonemes are searched in the phoneme tier");
  MeasureSettings settings;
  settings.f0Params = speakerF0Params(speakerType(speaker));
  settings.formantOptions = formantOptions();
  settings.formantOptions.ceilingHz = ceilingHzOf(ceiling);
  settings.energyParams = EnergyParams{};
  if (voiceF0Floor) settings.formantOptions.voiceF0FloorHz = *voiceF0Floor;
  if (const std::string problem = formantOptionsProblem(settings.formantOptions); !problem.empty())
    raiseValueError(problem);
  settings.what = {false, false, false};
  for (std::size_t at = 0; at <= measures.size();) {
    const std::size_t comma = std::min(measures.find(',', at), measures.size());
    const std::string name = measures.substr(at, comma - at);
    if (name == "f0")
      settings.what.f0 = true;
    else if (name == "formants")
      settings.what.formants = true;
    else if (name == "intensity")
      settings.what.intensity = true;
    else
      raiseValueError("measures: f0, formants, intensity (comma-separated), not \"" + name + "\"");
    at = comma + 1;
  }
  if (method != "mccandless" && method != "snake") raiseValueError("method must be \"mccandless\" or \"snake\"");
  settings.snakeFormants = method == "snake";
  if (settings.snakeFormants && settings.formantOptions.ceilingHz != 0.0) raiseValueError("the snake takes no ceiling");
  LabelSource source;
  source.labelKind = labelKindByName(labelsKind, request.words);
  source.labelExt = dotted(labelsExt.value_or(request.words ? ".wrd" : ".lab"));
  if (labelsDir) source.labelDir = *labelsDir;
  source.formatIndex = profileIndexOf(profile);
  if (word) request.word = *word;
  if (phonemes) request.sequences = sequencesOf(*phonemes);
  const auto files = filesOf(path, dotted(ext), true);
  std::string table = segmentTableHeader('\t');
  int failed = 0;
  callCore([&] {
    for (const auto& recording : files) {
      infoFile info;
      notetiqs list;
      if (!readRecording(recording, request, source, info, list)) {
        ++failed;
        continue;
      }
      const auto spans = requestedSegments(list, request);
      if (!measureSegments(info, list, spans, request, settings, recording.string(),
                           [&](const SegmentRow& row) { table += segmentTableLine(row, '\t'); }))
        ++failed;
    }
    return true;
  });
  if (failed > 0) warnPython(std::to_string(failed) + " files could not be measured");
  // The table's own lines, read back as Python values: numbers as floats, a missing value as None.
  const py::object io = py::module_::import("io"), csv = py::module_::import("csv");
  py::list rows = py::module_::import("builtins")
                      .attr("list")(csv.attr("DictReader")(
                          io.attr("StringIO")(py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(
                              table.data(), static_cast<Py_ssize_t>(table.size()), "surrogateescape"))),
                          py::arg("delimiter") = "\t"));
  const py::object toFloat = py::module_::import("builtins").attr("float");
  py::set text;
  for (const char* name : {"file", "tier", "label", "previous", "next"}) text.add(name);
  for (py::handle row : rows) {
    py::dict d = py::reinterpret_borrow<py::dict>(row);
    for (auto [key, value] : d) {
      if (text.contains(key)) continue;
      const std::string v = value.cast<std::string>();
      d[key] = v.empty() ? py::none() : toFloat(value);
    }
  }
  if (!columns) return rows;
  py::dict byColumn;
  std::string header = segmentTableHeader('\t');
  header.pop_back();  // the line's end
  for (std::size_t at = 0; at <= header.size();) {
    const std::size_t tab = std::min(header.find('\t', at), header.size());
    const py::str name(header.substr(at, tab - at));
    py::list column;
    for (py::handle row : rows) column.append(py::reinterpret_borrow<py::dict>(row)[name]);
    byColumn[name] = column;
    at = tab + 1;
  }
  return byColumn;
}

}  // namespace

void bindCorpus(py::module_& m) {
  m.def("search", &search, py::arg("folder"), py::kw_only(), py::arg("phonemes") = py::none(),
        py::arg("word") = py::none(), py::arg("ext") = ".wav", py::arg("max") = kSearchDefaultMax,
        py::arg("labels_dir") = py::none(), py::arg("labels_ext") = py::none(), py::arg("labels_kind") = py::none(),
        py::arg("profile") = py::none(), py::arg("gathered") = py::none(),
        "Every occurrence of phoneme sequences (\"a,[nasal];i\": labels and [class] names) or of a word in the "
        "files of `folder` with the extension, in file order: a list of Occurrence(file, start s, end s, "
        "labels), at most `max`. gathered: a WAV file receiving the occurrences with faded context. Files "
        "whose labels or samples cannot be read are skipped with a warning.");
  m.def("measure", &measure, py::arg("path"), py::kw_only(), py::arg("tier") = "phonemes",
        py::arg("phonemes") = py::none(), py::arg("word") = py::none(), py::arg("ext") = ".wav",
        py::arg("labels_dir") = py::none(), py::arg("labels_ext") = py::none(), py::arg("labels_kind") = py::none(),
        py::arg("profile") = py::none(), py::arg("speaker") = "any", py::arg("voice_f0_floor") = py::none(),
        py::arg("measures") = "f0,formants,intensity", py::arg("method") = "mccandless",
        py::arg("ceiling") = "auto", py::arg("columns") = false,
        "The measurement table of the segments of a file or of the files of a folder (as ardv-cli measure): a "
        "list of dicts, one per segment, with the table's column names (numbers as floats, missing values "
        "None), or with columns=True a dict of columns (pandas.DataFrame(columns) makes the frame). "
        "McCandless formants are tracked at `ceiling`: \"auto\" (chosen per voiced stretch) or a number of Hz.");
}

}  // namespace ardv::python
