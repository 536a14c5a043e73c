// Message box titles and texts, and menu mnemonics.
#include "shell/logic/readable_reports.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace ardv::shell {
namespace {

std::string& action() {
  static std::string current;
  return current;
}

std::string plainLabel(std::string label) {
  if (const auto tab = label.find('\t'); tab != std::string::npos) label.erase(tab);
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size() && label[i + 1] != '&') continue;
    if (label[i] == '&' && i + 1 < label.size()) ++i;  // "&&" is one "&"
    out += label[i];
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
  return out;
}

bool namesFunction(const std::string& caption) {
  return caption.find('(') != std::string::npos || caption.find("::") != std::string::npos;
}

char key(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool usable(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

}  // namespace

const std::string& actionUnderWay() { return action(); }

ActionUnderWay::ActionUnderWay(const std::string& label) : previous_(action()) { action() = plainLabel(label); }
ActionUnderWay::~ActionUnderWay() { action() = previous_; }

Report readableReport(const Report& report, const std::string& action, const std::string& stepPrefix) {
  Report out = report;
  if (namesFunction(report.caption)) out.caption = action.empty() ? "Ardelovox" : action;
  if (stepPrefix.empty()) return out;
  std::string text;
  std::size_t at = 0;
  while (at < report.text.size()) {
    std::size_t end = report.text.find('\n', at);
    end = end == std::string::npos ? report.text.size() : end + 1;
    std::string line = report.text.substr(at, end - at);
    std::string bare = line;
    while (!bare.empty() && (bare.front() == '\r' || bare.front() == '\n')) bare.erase(0, 1);
    if (bare.rfind(stepPrefix, 0) != 0) text += line;
    at = end;
  }
  out.text = text;
  return out;
}

std::vector<std::string> distinctMnemonics(const std::vector<std::string>& labels) {
  std::set<char> taken;
  std::vector<std::string> out(labels.size());
  std::vector<bool> done(labels.size(), false);
  // The letter after a single "&", or 0.
  auto ownLetter = [](const std::string& s) -> std::size_t {
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
      if (s[i] != '&') continue;
      if (s[i + 1] == '&') {
        ++i;
        continue;
      }
      return i + 1;
    }
    return std::string::npos;
  };
  for (std::size_t k = 0; k < labels.size(); ++k) {
    const std::size_t at = ownLetter(labels[k]);
    if (at != std::string::npos && usable(labels[k][at]) && taken.insert(key(labels[k][at])).second) {
      out[k] = labels[k];
      done[k] = true;
    }
  }
  for (std::size_t k = 0; k < labels.size(); ++k) {
    if (done[k]) continue;
    std::string bare;  // the label without its single "&"
    const std::size_t own = ownLetter(labels[k]);
    for (std::size_t i = 0; i < labels[k].size(); ++i)
      if (!(own != std::string::npos && i + 1 == own)) bare += labels[k][i];
    const std::size_t tab = std::min(bare.find('\t'), bare.size());
    std::size_t pick = std::string::npos;
    for (int pass = 0; pass < 2 && pick == std::string::npos; ++pass)
      for (std::size_t i = 0; i < tab; ++i) {
        const bool initial = i == 0 || !usable(bare[i - 1]);
        if (usable(bare[i]) && (pass == 1 || initial) && !taken.count(key(bare[i]))) {
          pick = i;
          break;
        }
      }
    if (pick != std::string::npos) {
      taken.insert(key(bare[pick]));
      bare.insert(pick, "&");
    }
    out[k] = bare;
  }
  return out;
}

}  // namespace ardv::shell
