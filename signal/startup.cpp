#include "signal/startup.h"

#include <system_error>
#include <vector>

#include "annotation/texts.h"
#include "platform/environment.h"
#include "platform/file_access.h"
#include "platform/ini_file.h"
#include "platform/report.h"

namespace ardv {
namespace fs = std::filesystem;

namespace {

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p.empty() ? fs::path(".") : p, ec);
}

// Copies the bundled data into the per-user directory on first run.
bool seedUserData(const fs::path& bundled, const fs::path& user) {
  std::error_code ec;
  fs::create_directories(user / "temp", ec);
  if (ec) {
    fatal("Unable to create the directory " + (user / "temp").string() + ": " + ec.message());
    return false;
  }
  fs::copy(bundled / "format", user / "format", fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
  if (ec) {
    fatal("Unable to copy " + (bundled / "format").string() + " to " + user.string() + ": " + ec.message());
    return false;
  }
  fs::copy(bundled / "ardv.ini", user / "ardv.ini", fs::copy_options::skip_existing, ec);
  if (ec && !fs::exists(user / "ardv.ini")) {
    fatal("Unable to copy ardv.ini to " + user.string() + ": " + ec.message());
    return false;
  }
  traceLine("start-up: data directory copied to " + user.string());
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
  const fs::path bundledTemp = env.bundledData / "temp";
  if (isDirectory(bundledTemp) ? mayWrite(bundledTemp) : mayWrite(env.bundledData)) {
    install = env.bundledData;
    std::error_code ec;
    fs::create_directory(bundledTemp, ec);
    return true;
  }
  install = env.userData;
  if (isDirectory(env.userData / "format") && isDirectory(env.userData / "temp")) return true;
  return seedUserData(env.bundledData, env.userData);
}

std::optional<IniSection> readIni(const std::vector<fs::path>& candidates) {
  for (const auto& file : candidates) {
    if (auto section = IniSection::read(file, "Ardelovox")) {
      traceLine("start-up: settings from " + file.string());
      return section;
    }
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

  auto ini = readIni({install / "ardv.ini", env.userConfig / "ardv.ini"});
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
