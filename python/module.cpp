// The module ardelovox: start-up of the core (installation directory,
// texts, language description), reports turned into exceptions and warnings,
// and the helpers every binding shares.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "annotation/label_files.h"
#include "editing/edit_context.h"
#include "labels/phonetic_description.h"
#include "platform/report.h"
#include "python/common.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/startup.h"
#include "signal/time_conversion.h"

namespace ardv::python {
namespace {

// Owned by the module for the life of the process (never released: the
// interpreter may be gone when static objects are destroyed).
PyObject* errorType = nullptr;
PyObject* warningType = nullptr;
py::dict* tupleTypes = nullptr;

// Reports of the calling thread while the core works for it.
class Collector : public ReportHandler {
 public:
  void show(const Report& report) override {
    std::string text = report.text;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    reports_.push_back(text);
  }
  void traceLine(const std::string&) override {}
  std::string joined() const {
    std::string all;
    for (const auto& r : reports_) all += (all.empty() ? "" : "\n") + r;
    return all;
  }
  const std::vector<std::string>& reports() const { return reports_; }

 private:
  std::vector<std::string> reports_;
};

// Reports made on a thread the module did not start (none expected) are dropped.
class SilentHandler : public ReportHandler {
 public:
  void show(const Report&) override {}
  void traceLine(const std::string&) override {}
};

// The data directory beside the module: build/share/ardelovox for the module
// in build/python, <prefix>/share/ardelovox for an installed one.
std::filesystem::path bundledData() {
  Dl_info where{};
  if (dladdr(reinterpret_cast<void*>(&bundledData), &where) == 0 || where.dli_fname == nullptr) return {};
  const std::filesystem::path dir = std::filesystem::weakly_canonical(where.dli_fname).parent_path();
  std::error_code ec;
  if (std::filesystem::is_directory(dir.parent_path() / "share" / "ardelovox", ec))
    return dir.parent_path() / "share" / "ardelovox";
  return (dir / ARDV_PYTHON_TO_DATA).lexically_normal();
}

void startCore() {
  static SilentHandler silent;
  setReportHandler(&silent);
  Collector collector;
  setThreadReportHandler(&collector);
  StartupEnvironment env = StartupEnvironment::fromProcess();
  env.bundledData = bundledData();
  bool ok = runStartup(env, program()) && loadInterfaceTexts(program()) && !fatalRequested();
  const Program& prog = program();
  ok = ok && loadLanguageDescription(prog.dirs.format, prog.settings.languageFile);
  setThreadReportHandler(nullptr);
  clearFatalRequest();
  if (!ok) throw py::import_error("ardelovox cannot start: " + collector.joined());
  setLabelFileReaders({readLabels, readAnnotations});
  installEditSaveHandler();
}

}  // namespace

SoundData::~SoundData() {
  std::error_code ec;
  if (!ownedFile.empty()) std::filesystem::remove(ownedFile, ec);
}

void callCore(const std::function<bool()>& work, bool warnings) {
  Collector collector;
  bool ok = false;
  std::string failure;
  bool noMemory = false;
  {
    py::gil_scoped_release release;
    setThreadReportHandler(&collector);
    try {
      ok = work();
    } catch (const std::bad_alloc&) {
      noMemory = true;
    } catch (const std::exception& e) {
      failure = e.what();
    }
    setThreadReportHandler(nullptr);
  }
  clearFatalRequest();  // the core's "please close" is the exception below, not an exit
  if (noMemory) {
    PyErr_NoMemory();
    throw py::error_already_set();
  }
  if (!failure.empty()) raiseError(failure);
  if (!ok) raiseError(collector.reports().empty() ? std::string("the analysis failed") : collector.joined());
  if (warnings)
    for (const auto& r : collector.reports()) warnPython(r);
}

void raiseOSError(int error, const std::string& path) {
  PyErr_SetObject(PyExc_OSError, py::make_tuple(error, std::strerror(error), path).ptr());
  throw py::error_already_set();
}

void raiseValueError(const std::string& text) { throw py::value_error(text); }

double ceilingHzOf(const py::object& ceiling) {
  if (py::isinstance<py::str>(ceiling)) {
    if (ceiling.cast<std::string>() != "auto") raiseValueError("ceiling must be \"auto\" or a number of Hz");
    return 0.0;
  }
  const double hz = ceiling.cast<double>();
  if (!std::isfinite(hz)) raiseValueError("ceiling must be a finite number of Hz");
  return hz;
}

void raiseError(const std::string& text) {
  PyErr_SetString(errorType, text.c_str());
  throw py::error_already_set();
}

void warnPython(const std::string& text) {
  if (PyErr_WarnEx(warningType, text.c_str(), 1) != 0) throw py::error_already_set();
}

void checkReadable(const std::string& path) {
  if (path.empty()) raiseOSError(ENOENT, path);
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) raiseOSError(errno, path);
  if (S_ISDIR(st.st_mode)) raiseOSError(EISDIR, path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) raiseOSError(errno, path);
  ::close(fd);
}

void checkWritable(const std::string& path) {
  if (path.empty()) raiseOSError(ENOENT, path);
  std::filesystem::path dir = std::filesystem::path(path).parent_path();
  if (dir.empty()) dir = ".";
  struct stat st{};
  if (::stat(dir.c_str(), &st) != 0) raiseOSError(errno, dir.string());
  if (!S_ISDIR(st.st_mode)) raiseOSError(ENOTDIR, dir.string());
  if (::access(dir.c_str(), W_OK) != 0) raiseOSError(errno, dir.string());
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) raiseOSError(EISDIR, path);
}

std::filesystem::path temporaryName(const std::string& extension) {
  static std::atomic<long> counter{0};
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  return dir / ("ardelovox-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + extension);
}

int speakerType(const std::string& name) {
  if (name == "any") return -1;
  if (name == "female") return 0;
  if (name == "male") return 1;
  raiseValueError("speaker must be \"any\", \"female\" or \"male\", not \"" + name + "\"");
}

double checkedMs(const char* name, double ms) {
  if (!std::isfinite(ms) || ms < 0.0 || ms > 1e12)
    raiseValueError(std::string(name) + " takes milliseconds from 0 to 1e12, not " + std::to_string(ms));
  return ms;
}

void stretchOf(const std::optional<double>& fromMs, const std::optional<double>& toMs, double fs, std::int64_t count,
               std::int64_t& first, std::int64_t& last) {
  first = fromMs ? msToSamples(checkedMs("from_ms", *fromMs), fs) : 0;
  last = toMs ? std::min(count - 1, msToSamples(checkedMs("to_ms", *toMs), fs)) : count - 1;
  if (fromMs && toMs && *fromMs >= *toMs) raiseValueError("from_ms must be below to_ms");
  if (first >= last)
    raiseValueError("the stretch from " + std::to_string(fromMs.value_or(0.0)) + " ms is empty (the sound lasts " +
                    std::to_string(samplesToMs(static_cast<double>(count), fs)) + " ms)");
}

py::object namedTuple(const char* name) { return (*tupleTypes)[name]; }

std::mutex& currentSignalMutex() {
  static std::mutex m;
  return m;
}

}  // namespace ardv::python

PYBIND11_MODULE(ardelovox, m) {
  using namespace ardv::python;
  m.doc() = "Ardelovox, the speech-analysis workbench's core: sounds, analyses, Klatt synthesis, annotation, "
            "corpus search and figures.";
  errorType = PyErr_NewExceptionWithDoc("ardelovox.Error", "A failure the analysis core reported (its text).",
                                        PyExc_RuntimeError, nullptr);
  warningType = PyErr_NewExceptionWithDoc("ardelovox.Warning",
                                          "A note of the analysis core on a call that succeeded.", PyExc_UserWarning,
                                          nullptr);
  if (errorType == nullptr || warningType == nullptr) throw py::error_already_set();
  m.attr("Error") = py::handle(errorType);
  m.attr("Warning") = py::handle(warningType);
  tupleTypes = new py::dict();
  const py::object named = py::module_::import("collections").attr("namedtuple");
  const std::pair<const char*, const char*> tuples[] = {
      {"F0Track", "times f0 voicing"},
      {"Energy", "times levels"},
      {"Spectrogram", "levels times frequencies"},
      {"Formants", "times frequencies bandwidths"},
      {"Candidates", "times frequencies bandwidths amplitudes"},
      {"PitchMarks", "times samples f0"},
      {"Occurrence", "file start end labels"},
  };
  for (const auto& [name, fields] : tuples) {
    (*tupleTypes)[name] = named(name, fields, py::arg("module") = "ardelovox");
    m.attr(name) = (*tupleTypes)[name];
  }
  startCore();
  bindSound(m);
  bindAnalyses(m);
  bindKlatt(m);
  bindAnnotation(m);
  bindCorpus(m);
  bindFigure(m);
  m.attr("__version__") = ARDV_VERSION;
}
