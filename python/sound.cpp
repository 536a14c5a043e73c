// Sound: a signal file read with its tiers (WAV, or through a format
// profile), its samples as a read-only numpy view, one made from an array,
// and its writing as WAV or through a profile.
#include <cmath>
#include <limits>

#include "annotation/label_files.h"
#include "editing/edit_context.h"
#include "editing/edit_new.h"
#include "editing/resample.h"
#include "platform/report.h"
#include "prosody/modif_output.h"
#include "prosody/phase_vocoder.h"
#include "prosody/pitch_marks.h"
#include "prosody/psola.h"
#include "python/common.h"
#include "signal/annotation_chunk.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/profile_table.h"
#include "signal/program.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "signal/write_sound_file.h"
#include "spectral/analysable.h"

namespace ardv::python {
namespace {

int profileIndex(const std::string& name) {
  int index = -1;
  {
    py::gil_scoped_release release;
    static std::mutex loading;
    std::lock_guard<std::mutex> lock(loading);
    init_fmt();
    index = profileTable().indexOf(name);
  }
  if (index < 0) {
    std::string known;
    for (const Profile& p : profileTable().profiles()) known += (known.empty() ? "" : ", ") + p.name;
    raiseValueError("no format profile named \"" + name + "\" (known: " + known + ")");
  }
  return index;
}

// The samples, read once; the caller holds a reference to the sound.
const std::vector<std::int16_t>& samplesOf(SoundData& s) {
  callCore([&] {
    std::lock_guard<std::mutex> lock(s.loading);
    if (s.loaded) return true;
    std::vector<std::int16_t> v(static_cast<std::size_t>(s.sampleCount()));
    if (!v.empty() && !signalFileReader(s.info)(0, s.sampleCount(), v.data())) return false;
    s.samples = std::move(v);
    s.loaded = true;
    return true;
  });
  return s.samples;
}

// 16-bit samples of an integer array (each within -32768..32767) or of a
// float array at full scale 1.0 (beyond it clipped, with a warning).
std::vector<std::int16_t> samplesOfArray(const py::array& array) {
  if (array.ndim() != 1)
    raiseValueError("samples must be a one-dimensional array, not " + std::to_string(array.ndim()) + "-dimensional");
  if (array.size() == 0) raiseValueError("samples must hold at least one value");
  if (array.size() > (std::int64_t{1} << 31) - 1) raiseValueError("too many samples for a WAV file");
  const char kind = array.dtype().kind();
  std::vector<std::int16_t> out(static_cast<std::size_t>(array.size()));
  if (kind == 'i' || kind == 'u') {
    const auto values = py::array_t<std::int64_t, py::array::forcecast>::ensure(array);
    if (!values) throw py::error_already_set();
    const auto v = values.unchecked<1>();
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
      if (v(i) < -32768 || v(i) > 32767)
        raiseValueError("integer samples must lie within -32768..32767; sample " + std::to_string(i) + " is " +
                        std::to_string(v(i)));
      out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v(i));
    }
  } else if (kind == 'f') {
    const auto values = py::array_t<double, py::array::forcecast>::ensure(array);
    if (!values) throw py::error_already_set();
    const auto v = values.unchecked<1>();
    py::ssize_t clipped = 0;
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
      if (!std::isfinite(v(i))) raiseValueError("sample " + std::to_string(i) + " is not a finite number");
      const double x = std::nearbyint(v(i) * 32767.0);
      if (x < -32768.0 || x > 32767.0) ++clipped;
      out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(x, -32768.0, 32767.0));
    }
    if (clipped > 0) warnPython(std::to_string(clipped) + " samples beyond full scale (1.0) were clipped");
  } else {
    throw py::type_error("samples must be an integer or floating-point array, not dtype " +
                         py::str(array.dtype()).cast<std::string>());
  }
  return out;
}

Sound fromArray(const py::array& array, double rate) {
  if (!std::isfinite(rate) || rate < 1.0 || rate > 1e6) raiseValueError("rate must be from 1 to 1e6 Hz");
  std::vector<std::int16_t> samples = samplesOfArray(array);
  const std::filesystem::path file = temporaryName(".wav");
  callCore([&] {
    StreamingWav wav(file, rate);
    return wav.open() && wav.append(samples.data(), samples.size()) && wav.commit();
  });
  Sound sound = adoptSound(file);
  sound->samples = std::move(samples);
  sound->loaded = true;
  return sound;
}

void writeSound(const SoundData& s, const std::filesystem::path& file, const std::optional<std::string>& profile) {
  const std::string path = file.string();
  checkWritable(path);
  infoFile out;
  out.nom = path;
  out.frequence = s.info.frequence;
  if (profile)
    out.formatIndex = profileIndex(*profile);
  else if (!isWavName(path))
    raiseValueError(path + " is not a WAV name (.wav): give the format profile to write it");
  callCore([&] {
    if (!isSeparateOutput(path, s.info.nom) || !init_infoFile_write(out)) return false;
    writeSoundFile writer(out);
    writer.setSource(s.info, s.info.depl, s.info.longueur, 0, 0);
    const std::int64_t tf = s.sampleCount();
    const notetiqs phonemes = fittedCopy(s.phonemes, tf), words = fittedCopy(s.words, tf);
    for (const notetiq& mark : phonemes.items()) writer.addPhon(mark.limite, mark.text);
    for (const notetiq& mark : words.items()) writer.addWord(mark.limite, mark.text);
    return writer.flush() == 0;
  });
}

Sound modify(const Sound& s, double time, double f0, const std::string& method, bool phaseLocking,
             const std::string& speaker) {
  const bool vocoder = method == "vocoder";
  if (!vocoder && method != "psola") raiseValueError("method must be \"psola\" or \"vocoder\"");
  if (!(time >= 0.5 - 1e-9 && time <= 3.0 + 1e-9)) raiseValueError("time must be from 0.5 to 3.0");
  if (!(f0 >= 0.5 - 1e-9 && f0 <= 2.5 + 1e-9)) raiseValueError("f0 must be from 0.5 to 2.5");
  if (vocoder && f0 != 1.0) raiseValueError("the phase vocoder changes the duration only (f0 must be 1)");
  const int type = speakerType(speaker);
  const std::filesystem::path out = temporaryName(".wav");
  callCore([&] {
    const infoFile& info = s->info;
    const SampleReader read = signalFileReader(info);
    StreamingWav wav(out, info.frequence);
    if (!wav.open()) return false;
    bool ok;
    if (vocoder) {
      ok = phaseVocoder(read, info.sampleCount(), info.frequence, time, phaseLocking, wav.sink());
    } else {
      ModifyOptions o;
      o.alpha = time, o.beta = 1.0 / f0, o.speakerType = type;
      ok = CMPitchScaleMod(read, info.sampleCount(), info.frequence, o, wav.sink());
    }
    return ok && wav.commit();
  });
  return adoptSound(out);
}

// Runs an Edit tool on the sound opened as the program's current signal,
// into a new WAV file.
Sound throughCurrent(const Sound& s, const char* what, const std::function<bool(const std::string&)>& tool) {
  const std::filesystem::path out = temporaryName(".wav");
  callCore(
      [&] {
        std::lock_guard<std::mutex> lock(currentSignalMutex());
        if (!analysableRate(s->info.nom, s->rate(), what)) return false;
        program().en_cours = s->info;
        if (!openCurrent()) return false;
        editStateAfterLoad();
        const bool ok = tool(out.string());
        resetCurrent();
        return ok;
      },
      false);
  return adoptSound(out);
}

}  // namespace

Sound openSound(const std::string& path, const std::optional<std::string>& profile) {
  checkReadable(path);
  auto sound = std::make_shared<SoundData>();
  infoFile& info = sound->info;
  info.nom = path;
  if (!isWavName(path)) {
    if (!profile)
      raiseValueError(path + " is not read as a WAV file (extensions .wav, .ard, .wa$): give its format profile");
    info.formatIndex = profileIndex(*profile);
  } else if (profile) {
    profileIndex(*profile);  // a wrong name is a mistake even where it is not used
  }
  callCore([&] {
    if (!init_infoFile_read(info)) return false;
    const std::int64_t tf = info.sampleCount();
    if (isWavName(info.nom)) {
      readnotetiqs(info.nom, sound->phonemes, info.etiqdepl, info.etiqlongueur, tf);
      readnotetiqs(info.nom, sound->words, info.notedepl, info.notelongueur, tf);
    } else {
      if (!info.nom_man.empty()) readLabels(sound->phonemes, info);
      if (!info.nomAnnot.empty()) readAnnotations(sound->words, info);
    }
    return true;
  });
  return sound;
}

Sound adoptSound(const std::filesystem::path& path) {
  Sound sound;
  try {
    sound = openSound(path.string(), std::nullopt);
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    throw;
  }
  sound->ownedFile = path;
  return sound;
}

void bindSound(py::module_& m) {
  py::class_<SoundData, Sound>(m, "Sound",
                               "A recording: a signal file (WAV, or another through a format profile) with its "
                               "phoneme and word tiers.")
      .def(py::init([](const py::object& path, std::optional<std::string> profile) {
             return openSound(py::module_::import("os").attr("fspath")(path).cast<std::string>(), profile);
           }),
           py::arg("path"), py::arg("profile") = py::none(),
           "Reads a WAV file with its annotation chunks, or another signal file through the format profile "
           "`profile` (its label files as the profile names them). OSError when the file cannot be opened, "
           "ValueError for a missing or unknown profile, ardelovox.Error when it is not a readable signal.")
      .def_static("from_array", &fromArray, py::arg("samples"), py::arg("rate"),
                  "A sound of the samples: integers within -32768..32767, or floats at full scale 1.0 (beyond "
                  "it clipped, with a warning); `rate` in Hz. ValueError for NaN, infinite, empty or "
                  "multi-dimensional arrays.")
      .def_property_readonly(
          "samples",
          [](const Sound& s) {
            const auto& v = samplesOf(*s);
            py::array_t<std::int16_t> view({static_cast<py::ssize_t>(v.size())}, {sizeof(std::int16_t)}, v.data(),
                                           py::cast(s));
            py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
            return view;
          },
          "The 16-bit samples as a read-only numpy view (no copy; it keeps the sound alive).")
      .def_property_readonly("rate", &SoundData::rate, "Sampling rate, Hz.")
      .def_property_readonly(
          "duration", [](const SoundData& s) { return s.sampleCount() / s.rate(); }, "Duration, seconds.")
      .def_property_readonly(
          "path", [](const SoundData& s) { return s.info.nom; },
          "The signal file (a private temporary file for a made sound).")
      .def(
          "__len__", [](const SoundData& s) { return s.sampleCount(); }, "Number of samples.")
      .def(
          "__repr__",
          [](const SoundData& s) {
            return "<ardelovox.Sound " + s.info.nom + ": " + std::to_string(s.sampleCount()) + " samples at " +
                   std::to_string(static_cast<long>(s.rate())) + " Hz>";
          },
          "The file, its samples and rate.")
      .def("write", &writeSound, py::arg("path"), py::arg("profile") = py::none(),
           "Writes the sound with its tiers: a WAV file with its annotation chunks, or through the format "
           "profile `profile`. The file is replaced only once complete.")
      .def("modify", &modify, py::arg("time") = 1.0, py::arg("f0") = 1.0, py::arg("method") = "psola",
           py::arg("phase_locking") = true, py::arg("speaker") = "any",
           "A new sound with the duration times `time` (0.5-3.0) and the F0 times `f0` (0.5-2.5) by PSOLA, or "
           "the duration only by the phase vocoder (method=\"vocoder\", with or without phase locking).")
      .def(
          "resample",
          [](const Sound& s, double rate) {
            if (!std::isfinite(rate) || rate < 1.0 || rate > 1e6) raiseValueError("rate must be from 1 to 1e6 Hz");
            return throughCurrent(s, "resampling", [&](const std::string& out) { return resampleCurrent(rate, out); });
          },
          py::arg("rate"),
          "A new sound at exactly `rate` Hz (a whole number; time-aligned, tiers moved, over 70 dB stop band).")
      .def(
          "remove_dc",
          [](const Sound& s) {
            return throughCurrent(s, "DC removal", [](const std::string& out) { return removeDC(out); });
          },
          "A new sound without the mean value of the samples.");
}

}  // namespace ardv::python
