#include "signal/startup.h"

#include <system_error>
#include <vector>

#include "platform/environment.h"
#include "platform/file_access.h"
#include "platform/ini_file.h"
#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {
namespace fs = std::filesystem;

namespace {

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p.empty() ? fs::path(".") : p, ec);
}

// Copies what the per-user directory lacks from the bundled data (format/,
// help/, ardv.ini): made on first run, completed after an update, and never
// overwriting what the user changed.
bool seedUserData(const fs::path& bundled, const fs::path& user) {
  std::error_code ec;
  fs::create_directories(user / "temp", ec);
  if (ec) {
    fatal("Unable to create the directory " + (user / "temp").string() + ": " + ec.message());
    return false;
  }
  for (const auto& entry : fs::directory_iterator(bundled, ec)) {
    if (entry.path().filename() == "temp") continue;
    fs::copy(entry.path(), user / entry.path().filename(),
             fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    if (ec) {
      fatal("Unable to copy " + entry.path().string() + " to " + user.string() + ": " + ec.message());
      return false;
    }
  }
  if (ec) {
    fatal("Unable to read " + bundled.string() + ": " + ec.message());
    return false;
  }
  return true;
}

bool chooseInstallDirectory(const StartupEnvironment& env, fs::path& install) {
  if (env.ardvHome) {
    install = *env.ardvHome;
    return true;
  }
  if (!isDirectory(env.bundledData)) {
    fatal("ARDV_HOME is not set and there is no data directory at " + env.bundledData.string());
    return false;
  }
  // In place only where the data has a temp/ of its own that may be written
  // (a build tree): an installed data directory is never written, even by
  // root, so that removing the package leaves nothing behind.
  const fs::path bundledTemp = env.bundledData / "temp";
  if (isDirectory(bundledTemp) && mayWrite(bundledTemp)) {
    install = env.bundledData;
    return true;
  }
  install = env.userData;
  return seedUserData(env.bundledData, env.userData);
}

// The first candidate that exists is read; one that exists but cannot be
// read is fatal (naming it), rather than quietly passed over.
std::optional<IniSection> readIni(const std::vector<fs::path>& candidates, bool& readFailed) {
  for (const auto& file : candidates) {
    std::error_code ec;
    if (!fs::exists(file, ec)) continue;
    std::string why;
    auto section = IniSection::read(file, "Ardelovox", &why);
    if (!section) {
      fatal("Unable to read the settings file " + file.string() + ": " + why);
      readFailed = true;
      return std::nullopt;
    }
    traceLine("start-up: settings from " + file.string());
    return section;
  }
  return std::nullopt;
}

}  // namespace

StartupEnvironment StartupEnvironment::fromProcess() {
  StartupEnvironment env;
  env.ardvHome = environmentVariable("ARDV_HOME");
  env.bundledData = executableDirectory().parent_path() / "share" / "ardelovox";
  env.userData = xdgDataHome() / "ardelovox";
  env.userConfig = xdgConfigHome() / "ardelovox";
  return env;
}

bool runStartup(const StartupEnvironment& env, Program& prog) {
  fs::path install;
  if (!chooseInstallDirectory(env, install)) return false;

  prog.dirs.install = install;
  prog.dirs.helpFile = install / "help" / "index.html";
  prog.dirs.format = install / "format";
  prog.dirs.temp = install / "temp";
  bool ok = true;
  if (!isDirectory(prog.dirs.temp)) {
    fatal("Temporary directory (" + (prog.dirs.temp / "").string() + ") does not exist");
    ok = false;
  }
  if (!isDirectory(prog.dirs.format)) {
    fatal("Format directory (" + (prog.dirs.format / "").string() + ") does not exist");
    ok = false;
  }
  if (!ok) return false;

  bool iniFailed = false;
  auto ini = readIni({install / "ardv.ini", env.userConfig / "ardv.ini"}, iniFailed);
  if (iniFailed) return false;
  IniSettings settings;
  if (ini) {
    settings.countryFile = ini->value("CountryFile");
    settings.languageFile = ini->value("LanguageFile");
  }
  if (settings.countryFile.empty()) {
    fatal("CountryFile not found in file ardv.ini");
    ok = false;
  }
  if (settings.languageFile.empty()) {
    fatal("LanguageFile not found in file ardv.ini");
    ok = false;
  }
  if (ok) {
    settings.phoneticFont = ini->value("PhoneticFont");
    settings.sndRecorder = ini->value("SndRecorder");
  }
  prog.settings = settings;
  if (!ok) return false;

  std::error_code ec;
  fs::remove(prog.dirs.temp / "log.txt", ec);
  return true;
}

bool startup() {
  static const bool result = runStartup(StartupEnvironment::fromProcess(), program());
  return result;
}

bool loadInterfaceTexts(const Program& prog) { return ml_init(prog.dirs.format / prog.settings.countryFile); }

}  // namespace ardv
