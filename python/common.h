// The Python module's shared pieces: the sound record every binding passes
// around, the calls into the core with the interpreter lock released and its
// reports turned into exceptions and warnings, and argument checks.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "labels/notetiqs.h"
#include "signal/infofile.h"

namespace ardv::python {

namespace py = pybind11;

// A sound: a signal file described for reading, its tiers, and its samples
// once asked for. A sound made from an array or by a transformation lives in
// a private temporary file removed with it.
struct SoundData {
  infoFile info;
  std::filesystem::path ownedFile;
  notetiqs phonemes;
  notetiqs words;
  std::vector<std::int16_t> samples;
  bool loaded = false;
  std::mutex loading;

  SoundData() = default;
  SoundData(const SoundData&) = delete;
  SoundData& operator=(const SoundData&) = delete;
  ~SoundData();
  std::int64_t sampleCount() const { return info.sampleCount(); }
  double rate() const { return info.frequence; }
};
using Sound = std::shared_ptr<SoundData>;

// Runs `work` with the interpreter lock released and the calling thread's
// reports collected. When `work` returns false, raises ardelovox.Error with
// the reports' text; otherwise each report becomes an ardelovox.Warning.
void callCore(const std::function<bool()>& work, bool warnings = true);

// Raises OSError(errno, reason, path).
[[noreturn]] void raiseOSError(int error, const std::string& path);
// Raises ValueError(text).
[[noreturn]] void raiseValueError(const std::string& text);
// Raises ardelovox.Error(text).
[[noreturn]] void raiseError(const std::string& text);
// Issues an ardelovox.Warning.
void warnPython(const std::string& text);

// Checks that `path` can be read as a file: OSError otherwise.
void checkReadable(const std::string& path);
// Checks that a file may be created at `path` (its directory exists and may
// be written): OSError otherwise.
void checkWritable(const std::string& path);

// A fresh name in the module's temporary directory with this extension.
std::filesystem::path temporaryName(const std::string& extension);

// Opens `path` (a WAV file, or another through the profile `profile`) with
// its tiers. OSError for a file that cannot be opened, ardelovox.Error for
// one that cannot be read as a signal.
Sound openSound(const std::string& path, const std::optional<std::string>& profile);
// Adopts the WAV file `path` written by the module: removed with the sound.
Sound adoptSound(const std::filesystem::path& path);

// Speaker type of "any", "female", "male" (-1, 0, 1); ValueError otherwise.
int speakerType(const std::string& name);
// The analysis ceiling of "auto" (0: chosen per voiced stretch) or a number
// of Hz; ValueError otherwise. Its range is checked with the other options.
double ceilingHzOf(const pybind11::object& ceiling);
// A finite number of milliseconds at least 0; ValueError otherwise.
double checkedMs(const char* name, double ms);
// First and last sample of from_ms..to_ms (None: the ends) in a sound of
// `count` samples; ValueError for an empty or reversed stretch.
void stretchOf(const std::optional<double>& fromMs, const std::optional<double>& toMs, double fs, std::int64_t count,
               std::int64_t& first, std::int64_t& last);

// A numpy array owning the vector's storage (no copy).
template <class T>
py::array_t<T> toArray(std::vector<T>&& values, std::vector<py::ssize_t> shape = {}) {
  auto* owned = new std::vector<T>(std::move(values));
  py::capsule free(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  if (shape.empty()) shape = {static_cast<py::ssize_t>(owned->size())};
  return py::array_t<T>(shape, owned->data(), free);
}

// The module's named tuples, made once by the module.
py::object namedTuple(const char* name);

// Serialises the calls that use the program's current signal.
std::mutex& currentSignalMutex();

void bindSound(py::module_& m);
void bindAnalyses(py::module_& m);
void bindKlatt(py::module_& m);
void bindAnnotation(py::module_& m);
void bindCorpus(py::module_& m);
void bindFigure(py::module_& m);

}  // namespace ardv::python

namespace ardv::python {

// Adds the method `name` to the class `cls` (the Sound class made in another
// file).
template <class F, class... Extra>
void addMethod(py::object cls, const char* name, F&& f, const Extra&... extra) {
  cls.attr(name) = py::cpp_function(std::forward<F>(f), py::name(name), py::is_method(cls),
                                    py::sibling(py::getattr(cls, name, py::none())), extra...);
}

}  // namespace ardv::python
