// Klatt parameter tracks read and written, our synthesizer on them, and copy
// synthesis of a sound: the calls of ardv-cli tracks, synth and copy-synth.
#include <cmath>
#include <span>

#include "copysynth/copy_synthesis_file.h"
#include "klatt/klatt_invocation.h"
#include "klatt/klatt_records.h"
#include "klatt/klatt_table.h"
#include "klatt/klatt_tracks.h"
#include "platform/report.h"
#include "python/common.h"
#include "signal/replacing_file.h"
#include "tools/klatt/klatt_command.h"

namespace ardv::python {
namespace {

// Frames of a parameter file: whole records (F0 in Hz), the file's columns
// and its frame step.
struct Tracks {
  std::vector<KlattRecord> frames;
  int columns = 56;
  int stepMs = kInitialStepMs;
};

// Reads `path` into `t`; false after a report.
bool loadTracks(const std::filesystem::path& path, Tracks& t) {
  std::string reason;
    KlattRecordReader reader;
    const auto status = reader.open(path, &reason);
    if (status == KlattRecordReader::Status::cannotOpen) return message(path.string() + ": " + reason), false;
    if (status == KlattRecordReader::Status::unknownType)
      return message(path.string() + ": not a Klatt parameter file (.kla, .klf, .kle)"), false;
    t.columns = reader.columns();
    const KlattRecord defaults = initialKlattDefaults();
    KlattRecord record;
    while (reader.next(record, defaults)) t.frames.push_back(record);
    if (reader.stoppedAtText())
      return message(path.string() + ": record " + std::to_string(reader.records() + 1) + ": \"" +
                     reader.badToken() + "\" is not a number"), false;
    t.stepMs = klattFileFrameStep(path).value_or(kInitialStepMs);
    return true;
}

bool writeTracksFile(const Tracks& t, const std::filesystem::path& path) {
  ReplacingFile file(path);
  std::string text(klattTypeWord(t.columns));
  text += "\n";
  for (const KlattRecord& r : t.frames) appendKlattRecord(text, r, t.columns);
  if (!file.open() || !file.write(text) || !file.commit()) {
    message("Cannot write " + path.string() + ": " + file.error());
    return false;
  }
  return true;
}

Tracks readTracks(const std::filesystem::path& path) {
  checkReadable(path.string());
  Tracks t;
  callCore([&] { return loadTracks(path, t); });
  return t;
}

void writeTracks(const Tracks& t, const std::filesystem::path& path) {
  if (t.frames.empty()) raiseValueError("the tracks hold no frame");
  checkWritable(path.string());
  callCore([&] { return writeTracksFile(t, path); });
}

Sound synthesizeTracks(const Tracks& t, int rate, const std::string& source, int waveform, int flutter) {
  if (t.frames.empty()) raiseValueError("the tracks hold no frame");
  klatt::SynthOptions options;
  options.rateHz = rate;
  options.waveform = waveform;
  options.flutterPercent = flutter;
  if (source != "klatt" && source != "lf") raiseValueError("source must be \"klatt\" or \"lf\"");
  options.source = source == "lf" ? klatt::Source::liljencrantsFant : klatt::Source::klatt;
  if (const std::string why = klatt::checkOptions(options); !why.empty()) raiseValueError(why);
  const std::filesystem::path params = temporaryName(".kle"), out = temporaryName(".wav");
  callCore([&] {
    struct Removed {
      std::filesystem::path p;
      ~Removed() { std::error_code ec; std::filesystem::remove(p, ec); }
    } removed{params};
    if (!writeTracksFile(t, params)) return false;
    options.frameMs = klatt::frameStepOfFile(params);
    if (options.frameMs == 0) options.frameMs = 5;  // one record, or dates that do not advance
    SynthesizedWav wav(out, options.rateHz);
    std::string error, warning;
    if (!wav.open()) return message("Cannot write " + out.string() + ": " + wav.error()), false;
    const std::int64_t records = klatt::synthesizeFile(
        params, options, [&](std::span<const std::int16_t> s) { return wav.add(s); }, error, &warning);
    if (records <= 0) return message(error.empty() ? "no parameter record to synthesize" : error), false;
    if (!wav.finish()) return message("Cannot write " + out.string() + ": " + wav.error()), false;
    if (!warning.empty()) warn(warning);
    return true;
  });
  return adoptSound(out);
}

Tracks copySynthesis(const Sound& s, const std::string& method) {
  if (method != "mccandless" && method != "snake") raiseValueError("method must be \"mccandless\" or \"snake\"");
  Tracks result;
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  FormantOptions options;
  options.ceilingHz = 0.0;  // chosen per voiced stretch, as ardv-cli copy-synth does
  callCore([&] {
    return klatt::copySynthesizeFile(s->info, method == "snake" ? TrackMethod::Snake : TrackMethod::McCandless,
                                     options, dir,
                                     [&](const std::filesystem::path& file) { return loadTracks(file, result); });
  });
  return result;
}

}  // namespace

void bindKlatt(py::module_& m) {
  py::class_<Tracks>(m, "KlattTracks", "Klatt synthesizer parameter tracks: one record of 56 values per frame.")
      .def(py::init([](const py::array_t<std::int32_t, py::array::forcecast>& values, int columns) {
             if (values.ndim() != 2 || values.shape(1) != kKlattParams)
               raiseValueError("values must be frames x " + std::to_string(kKlattParams));
             if (columns != 41 && columns != 44 && columns != 56) raiseValueError("columns must be 41, 44 or 56");
             Tracks t;
             t.columns = columns;
             const auto v = values.unchecked<2>();
             for (py::ssize_t i = 0; i < v.shape(0); ++i) {
               KlattRecord r{};
               for (int k = 0; k < kKlattParams; ++k) r[static_cast<std::size_t>(k)] = v(i, k);
               t.frames.push_back(r);
             }
             return t;
           }),
           py::arg("values"), py::arg("columns") = 56,
           "Tracks of `values` (frames x 56 integers in the table's order: date in ms, F0 in Hz, ...); "
           "`columns` written to a file: 41 (.kla), 44 (.klf) or 56 (.kle).")
      .def_property_readonly(
          "values",
          [](const Tracks& t) {
            std::vector<std::int32_t> v;
            for (const KlattRecord& r : t.frames) v.insert(v.end(), r.begin(), r.end());
            return toArray(std::move(v), {static_cast<py::ssize_t>(t.frames.size()), kKlattParams});
          },
          "The records as an int32 array, frames x 56 (a copy).")
      .def_readonly("columns", &Tracks::columns, "Columns of the file the tracks came from or go to.")
      .def_readonly("step_ms", &Tracks::stepMs, "Frame step, ms.")
      .def_property_readonly_static(
          "names",
          [](const py::object&) {
            py::list names;
            for (const KlattParam& p : klattParams()) names.append(std::string(p.name));
            return names;
          },
          "The 56 parameter names in column order.")
      .def("__len__", [](const Tracks& t) { return t.frames.size(); }, "Number of frames.");
  m.def("read_tracks", &readTracks, py::arg("path"),
        "Reads a Klatt parameter file (.kla, .klf, .kle): columns past the file's from the default record.");
  m.def("write_tracks", &writeTracks, py::arg("tracks"), py::arg("path"),
        "Writes the tracks as a parameter file of their columns (F0 in tenths of Hz, as the files hold it).");
  m.def("synthesize", &synthesizeTracks, py::arg("tracks"), py::arg("rate") = 16000, py::arg("source") = "klatt",
        py::arg("waveform") = 8, py::arg("flutter") = 0,
        "A sound synthesized from the tracks by our Klatt synthesizer, as ardv-cli synth does (frame step "
        "from the dates). source: \"klatt\" or \"lf\"; waveform 1..8; flutter 0..100 %.");
  m.def("copy_synthesis", &copySynthesis, py::arg("sound"), py::arg("method") = "mccandless",
        "Copy synthesis: the Klatt tracks (F0, formants, defaults, fitted parallel amplitudes) that imitate "
        "the sound, as ardv-cli copy-synth writes them.");
}

}  // namespace ardv::python
