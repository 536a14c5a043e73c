// Analyses of a sound, each the one the command line runs on a whole file
// (the same core calls, the same values), returned as numpy arrays with their
// time axes in seconds.
#include <algorithm>
#include <cmath>
#include <limits>

#include "formants/formant_options.h"
#include "formants/formant_tracks.h"
#include "formants/snake.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_marks.h"
#include "prosody/pitch_types.h"
#include "python/common.h"
#include "signal/current_signal.h"
#include "signal/time_conversion.h"
#include "spectral/analysable.h"
#include "spectral/file_spectrogram.h"
#include "spectral/frame_placement.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"
#include "spectral/spectrogram_settings.h"

namespace ardv::python {
namespace {

py::object f0(const Sound& s, const std::string& speaker, float voicingThresholdValue) {
  SpeakerF0Params params = speakerF0Params(speakerType(speaker));
  if (!(voicingThresholdValue >= 0.0f && voicingThresholdValue <= 1.0f))
    raiseValueError("voicing_threshold must be from 0 to 1");
  params.voicingThreshold = voicingThresholdValue;
  std::vector<double> times;
  std::vector<double> hz;
  callCore([&] {
    return pitchFramesOfFile(s->info, 0, s->sampleCount() - 1, params, PitchOptions{},
                             [&](std::int64_t centre, int f) {
                               times.push_back(static_cast<double>(centre) / s->rate());
                               hz.push_back(f);
                               return true;
                             });
  });
  py::array_t<bool> voicing(static_cast<py::ssize_t>(hz.size()));
  for (std::size_t i = 0; i < hz.size(); ++i) voicing.mutable_at(static_cast<py::ssize_t>(i)) = hz[i] > 0.0;
  return namedTuple("F0Track")(toArray(std::move(times)), toArray(std::move(hz)), voicing);
}

py::object energy(const Sound& s, std::optional<float> flow, std::optional<float> fhigh,
                  std::optional<float> windowMs) {
  EnergyParams p = energyParams();
  for (auto [value, name] : {std::pair{flow, "flow"}, {fhigh, "fhigh"}, {windowMs, "window_ms"}})
    if (value && (!std::isfinite(*value) || std::abs(*value) > 1e9))
      raiseValueError(std::string(name) + " must be a finite number");
  if (flow) p.fLow = *flow;
  if (fhigh) p.fHigh = *fhigh;
  if (windowMs) p.windowMs = *windowMs;
  const double fs = s->rate();
  for (const std::string& note : {checkEnergyHigh(p, fs), checkEnergyLow(p, fs), checkEnergyWindow(p, fs)})
    if (!note.empty()) warnPython(note);
  std::vector<double> times, levels;
  callCore([&] {
    const infoFile& file = s->info;
    if (!analysableRate(file.nom, fs, "Energy") ||
        !analysableLength(file.nom, file.sampleCount(), msToSamples(p.windowMs, fs), "energy"))
      return false;
    EnergySetup setup;
    if (!energySetup(p, fs, setup)) return false;
    FrameEnergy frame(setup, p.windowed);
    return forEachFileFrame(file, 0, setup.He, setup.Le, [&](std::int64_t pos, const std::int16_t* x) {
      const float e = frame(x);
      times.push_back(static_cast<double>(pos) / fs);
      levels.push_back(static_cast<double>(std::max(e, p.eLow) - p.eLow));
      return true;
    });
  });
  return namedTuple("Energy")(toArray(std::move(times)), toArray(std::move(levels)));
}

py::object spectrogram(const Sound& s, const std::string& kindName, std::optional<double> fromMs,
                       std::optional<double> toMs, std::optional<int> width, std::optional<int> height,
                       const py::dict& settingsGiven) {
  const int kind = spectroKindByName(kindName);
  if (kind == 0) raiseValueError("unknown kind \"" + kindName + "\" (valid: " + spectroKindNames() + ")");
  PgmImageSize size = pgmImageSize();
  if (width) size.width = *width;
  if (height) size.height = *height;
  if (size.width < 1 || size.width > kMaxImageWidth || size.height < 1 || size.height > kMaxImageHeight ||
      std::int64_t{size.width} * size.height > kMaxImagePixels)
    raiseValueError("width takes 1.." + std::to_string(kMaxImageWidth) + ", height 1.." +
                    std::to_string(kMaxImageHeight) + ", at most " + std::to_string(kMaxImagePixels) +
                    " pixels in all");
  SpectroSettings settings = spectroSettings();
  SpectroParams record = settings[kind];
  SettingEdits edits;
  std::string error;
  for (const auto& [name, value] : settingsGiven) {
    const std::string assignment = py::str(name).cast<std::string>() + "=" + py::str(value).cast<std::string>();
    if (!applySetting(kind, assignment, record, edits, error)) raiseValueError(error);
  }
  const double fs = s->rate();
  const std::int64_t n = s->sampleCount();
  if (n < 2) raiseValueError(s->info.nom + " holds no samples to analyse");
  std::int64_t first = 0, last = 0;
  stretchOf(fromMs, toMs, fs, n, first, last);
  if (!finishSettings(kind, fs, edits, record, error)) raiseValueError(error);
  settings[kind] = record;
  settings.fmaxHz = fs / 2.0;
  LevelImage image;
  CurrentSpectro spec;
  callCore([&] {
    return analysableRate(s->info.nom, fs, "A spectrogram") && spectro_GetParams(settings, kind, fs, spec) &&
           renderFileSpectrogram(spec, s->info, first, last, size.width, size.height, memorySpanSamples(fs), image);
  });
  const ImageFrames frames = imageFrames(first, last, n - 1, spec.fen_fft, size.width);
  std::vector<double> times;
  for (std::int64_t c : frames.centres) times.push_back(static_cast<double>(c) / fs);
  const double topHz = std::min(spec.displayedBins, spec.fftSize / 2) * fs / spec.fftSize;
  std::vector<double> freqs(static_cast<std::size_t>(image.height));
  for (int j = 0; j < image.height; ++j) freqs[static_cast<std::size_t>(j)] = (j + 0.5) * topHz / image.height;
  const py::ssize_t rows = image.frames, cols = image.height;
  return namedTuple("Spectrogram")(toArray(std::move(image.levels), {rows, cols}), toArray(std::move(times)),
                                   toArray(std::move(freqs)));
}

py::object formants(const Sound& s, const std::string& method, const py::object& ceiling, std::optional<double> fromMs,
                    std::optional<double> toMs, std::optional<double> voiceF0Floor) {
  FormantOptions options = formantOptions();
  options.ceilingHz = ceilingHzOf(ceiling);
  if (voiceF0Floor) options.voiceF0FloorHz = *voiceF0Floor;
  const bool snake = method == "snake";
  if (!snake && method != "mccandless") raiseValueError("method must be \"mccandless\" or \"snake\"");
  if (snake && options.ceilingHz != 0.0) raiseValueError("the snake takes no ceiling");
  if (const std::string problem = formantOptionsProblem(options); !problem.empty()) raiseValueError(problem);
  const double fs = s->rate();
  std::int64_t first = fromMs ? msToSamples(checkedMs("from_ms", *fromMs), fs) : 0;
  std::int64_t last = toMs ? msToSamples(checkedMs("to_ms", *toMs), fs) : std::numeric_limits<std::int64_t>::max() / 4;
  if (toMs && !(*toMs > fromMs.value_or(0.0))) raiseValueError("to_ms must come after from_ms");
  std::vector<double> times, hz, bw;
  callCore([&] {
    return formantTracksOfFile(s->info, first, last, snake ? TrackMethod::Snake : TrackMethod::McCandless, options,
                               snakeParams(), [&](const FormantTrackRow& row) {
                                 times.push_back(static_cast<double>(row.centre) / fs);
                                 hz.insert(hz.end(), row.frequencyHz, row.frequencyHz + 3);
                                 bw.insert(bw.end(), row.bandwidthHz, row.bandwidthHz + 3);
                                 return true;
                               });
  });
  const py::ssize_t frames = static_cast<py::ssize_t>(times.size());
  return namedTuple("Formants")(toArray(std::move(times)), toArray(std::move(hz), {frames, 3}),
                                toArray(std::move(bw), {frames, 3}));
}

py::object candidates(const Sound& s, const std::string& kindName, std::optional<double> fromMs,
                      std::optional<double> toMs) {
  CandidateKind kind = CandidateKind::Lpc;
  if (kindName == "cepstral") kind = CandidateKind::Cepstral;
  else if (kindName == "true-envelope") kind = CandidateKind::TrueEnvelope;
  else if (kindName != "lpc") raiseValueError("kind must be \"lpc\", \"cepstral\" or \"true-envelope\"");
  const double fs = s->rate();
  std::int64_t first = fromMs ? msToSamples(checkedMs("from_ms", *fromMs), fs) : 0;
  std::int64_t last = toMs ? msToSamples(checkedMs("to_ms", *toMs), fs) : std::numeric_limits<std::int64_t>::max() / 4;
  if (toMs && !(*toMs > fromMs.value_or(0.0))) raiseValueError("to_ms must come after from_ms");
  std::vector<double> times, hz, bw, db;
  callCore([&] {
    return formantCandidatesOfFile(s->info, first, last, kind, formantOptions(),
                                   [&](std::int64_t centre, const FormantCandidate& c) {
                                     times.push_back(static_cast<double>(centre) / fs);
                                     hz.push_back(c.frequencyHz);
                                     bw.push_back(c.bandwidthHz);
                                     db.push_back(c.amplitudeDb);
                                     return true;
                                   });
  });
  return namedTuple("Candidates")(toArray(std::move(times)), toArray(std::move(hz)), toArray(std::move(bw)),
                                  toArray(std::move(db)));
}

py::object pitchMarks(const Sound& s, const std::string& speaker) {
  const SpeakerF0Params params = speakerF0Params(speakerType(speaker));
  MarkList marks;
  std::vector<int> f0;
  callCore([&] {
    return marksOfSignal(signalFileReader(s->info), s->sampleCount(), s->rate(), params, marks, f0);
  });
  // A mark's sign is its polarity; its magnitude the sample.
  std::vector<double> times, hz;
  std::vector<std::int64_t> samples;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    samples.push_back(marks[i] < 0 ? -marks[i] : marks[i]);
    times.push_back(static_cast<double>(samples.back()) / s->rate());
    hz.push_back(i < f0.size() ? f0[i] : 0);
  }
  return namedTuple("PitchMarks")(toArray(std::move(times)), toArray(std::move(samples)), toArray(std::move(hz)));
}

}  // namespace

void bindAnalyses(py::module_& m) {
  py::object cls = m.attr("Sound");
  addMethod(cls, "f0", &f0, py::arg("speaker") = "any", py::arg("voicing_threshold") = kDefaultVoicingThreshold,
            "F0 of the whole sound (the pitch file's frames: one every 8 ms): F0Track(times in s at frame "
            "centres, f0 in Hz with 0 where unvoiced, voicing as booleans). speaker: \"any\", \"female\" or "
            "\"male\"; voicing_threshold: least periodicity of a voiced frame, 0..1.");
  addMethod(cls, "energy", &energy, py::arg("flow") = py::none(), py::arg("fhigh") = py::none(),
            py::arg("window_ms") = py::none(),
            "Energy of the whole sound: Energy(times in s at frame starts, levels in dB above the energy "
            "window's floor). flow, fhigh (Hz) and window_ms default to the energy window's settings; "
            "corrections of them come as warnings.");
  addMethod(cls, "spectrogram", &spectrogram, py::arg("kind") = "wide", py::arg("from_ms") = py::none(),
            py::arg("to_ms") = py::none(), py::arg("width") = py::none(), py::arg("height") = py::none(),
            py::arg("settings") = py::dict(),
            "The spectrogram image of the sound or of from_ms..to_ms: Spectrogram(levels as uint8 frames x "
            "height, 0 the lowest energy, row 0 the lowest frequency; times in s of the frame centres; "
            "frequencies in Hz of the rows' centres). kind: wide, narrow, reassigned, lpc, cepstral, critical; "
            "width and height default to 1024 x 256; settings: {name: value} of the kind's record, as "
            "ardv-cli spectrogram --set.");
  addMethod(cls, "formants", &formants, py::arg("method") = "mccandless", py::arg("ceiling") = "auto",
            py::arg("from_ms") = py::none(), py::arg("to_ms") = py::none(), py::arg("voice_f0_floor") = py::none(),
            "F1-F3 tracks: Formants(times in s, frequencies and bandwidths in Hz as frames x 3, NaN or 0 where "
            "not tracked). method: \"mccandless\" or \"snake\"; ceiling: \"auto\" (chosen per voiced stretch) "
            "or Hz; voice_f0_floor: a child's 250 Hz or more lowers the LPC order.");
  addMethod(cls, "formant_candidates", &candidates, py::arg("kind") = "lpc", py::arg("from_ms") = py::none(),
            py::arg("to_ms") = py::none(),
            "Every formant candidate: Candidates(times in s, frequencies and bandwidths in Hz, amplitudes in "
            "dB). kind: \"lpc\", \"cepstral\" or \"true-envelope\".");
  addMethod(cls, "pitch_marks", &pitchMarks, py::arg("speaker") = "any",
            "The pitch marks of the whole sound: PitchMarks(times in s, sample indices, F0 in Hz at each "
            "mark).");
}

}  // namespace ardv::python
