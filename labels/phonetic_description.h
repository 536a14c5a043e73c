// The phonetic description of the language being annotated, loaded from the
// language file: phoneme labels, phonetic classes (possibly nested), the two
// annotator menus and reference positions of vowels in the F1-F2 plane.
//
// Language file lines (recognised by their first characters; others ignored):
//   phon "label" "description"           (empty label: describes phoneme 0)
//   class "[name]" "description" [ "m1" "[earlier class]" ... ;   (may span lines)
//   menuphon / menuclass                 (the following lines up to one starting with "]")
//   F1F2vowel "label" f1 f2              (Hz)
#pragma once

#include <bitset>
#include <filesystem>
#include <string>
#include <vector>

#include "labels/phonetic_menu.h"

namespace ardv {

// Indices are held in signed bytes: at most 127 phonemes and 127 classes.
constexpr int kMaxPhonemes = 127;
constexpr int kMaxClasses = 127;
// Longest quoted token of the language file.
constexpr std::size_t kMaxTokenLength = 254;

struct Phoneme {
  std::string label;
  std::string description;
};

struct PhoneticClass {
  std::string name;  // with its brackets, as written in the file
  std::string description;
  std::vector<int> members;  // > 0 a phoneme index, < 0 the class -member
};

struct VowelReference {
  int phoneme = 0;
  int f1Hz = 0;
  int f2Hz = 0;
};

class PhoneticDescription {
 public:
  PhoneticDescription();

  // Loads the language file, replacing the current description. Returns false
  // only when the file cannot be read: fatal "Unable to open the phonetic
  // description file (language file)" has then been shown and nothing
  // changed. Problems inside the file are logged to the trace window or
  // reported with their line number, and the line is skipped.
  bool load(const std::filesystem::path& file);
  // Same from the file's text in memory; always succeeds.
  bool loadText(const std::string& content);
  // Back to the empty description (entry 0 of phonemes and classes only).
  void clear();

  // Phonemes are numbered 1..phonemeCount(); entry 0 is "no phoneme".
  int phonemeCount() const { return static_cast<int>(phonemes_.size()) - 1; }
  // Classes are numbered 1..classCount().
  int classCount() const { return static_cast<int>(classes_.size()) - 1; }
  int vowelCount() const { return static_cast<int>(vowels_.size()); }

  // Index of the phoneme with exactly this label (entry 0 included, so the
  // empty label gives 0), or -1.
  int phonemeIndex(const std::string& label) const;
  // Index >= 1 of the class whose bracketed name is exactly `name`, or -1.
  int classIndex(const std::string& name) const;
  // Label of phoneme `index` >= 0, or name of class -index for index < 0;
  // empty for an index out of range.
  std::string label(int index) const;
  // Entries by index (out of range: an empty entry).
  const Phoneme& phoneme(int index) const;
  const PhoneticClass& phoneticClass(int index) const;

  // True when the labels match: a bracketed label is a class that matches
  // when any of its members matches the other label (nested classes are
  // expanded to any depth); two plain labels match when equal.
  bool matches(const std::string& a, const std::string& b) const;

  // Vowel i (0 <= i < vowelCount()); otherwise a record with phoneme 0.
  VowelReference vowelReference(int i) const;

  const PhoneticMenu& phonemeMenu() const { return phonemeMenu_; }
  const PhoneticMenu& classMenu() const { return classMenu_; }

 private:
  friend class LanguageFileParser;
  using PhonemeSet = std::bitset<kMaxPhonemes + 1>;
  // Does any phoneme of class k carry a label that matches `b`?
  bool classMatches(int k, const std::string& b) const;

  std::vector<Phoneme> phonemes_;
  std::vector<PhoneticClass> classes_;
  // Per class, every phoneme it holds directly or through nested classes.
  // Members name earlier classes only, so the sets are complete when the
  // class is added and matching never recurses.
  std::vector<PhonemeSet> classPhonemes_;
  std::vector<VowelReference> vowels_;
  PhoneticMenu phonemeMenu_;
  PhoneticMenu classMenu_;
};

// The program's description.
PhoneticDescription& phoneticDescription();

// Loads the program's description from `formatDir` / `languageFile` (the
// LanguageFile setting). Returns what PhoneticDescription::load returns.
bool loadLanguageDescription(const std::filesystem::path& formatDir, const std::string& languageFile);

}  // namespace ardv
