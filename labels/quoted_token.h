// Quoted tokens of the language file: the text between two double quotes, a
// backslash making the next character literal.
#pragma once

#include <cstddef>
#include <string>

namespace ardv {

enum class TokenStatus { Found, EndOfList, EndOfLine, Unterminated, TooLong };

// Reads the token whose opening quote is at `pos`; `pos` ends after the
// closing quote (or at the end of `s`). Tokens longer than `maxLength` give
// TooLong, a missing closing quote Unterminated.
inline TokenStatus readQuotedToken(const std::string& s, std::size_t& pos, std::string& token, std::size_t maxLength) {
  token.clear();
  bool tooLong = false;
  for (++pos; pos < s.size(); ++pos) {
    char c = s[pos];
    if (c == '"') {
      ++pos;
      return tooLong ? TokenStatus::TooLong : TokenStatus::Found;
    }
    if (c == '\\') {
      if (++pos >= s.size()) break;
      c = s[pos];
    }
    if (token.size() < maxLength)
      token += c;
    else
      tooLong = true;
  }
  return TokenStatus::Unterminated;
}

// Looks for the next token from `pos`: a ';' met before any quote ends the
// list (EndOfList, `pos` after it) when `semicolonEnds`; the end of `s` gives
// EndOfLine.
inline TokenStatus nextQuotedToken(const std::string& s, std::size_t& pos, std::string& token, std::size_t maxLength,
                                   bool semicolonEnds) {
  for (; pos < s.size(); ++pos) {
    if (s[pos] == '"') return readQuotedToken(s, pos, token, maxLength);
    if (semicolonEnds && s[pos] == ';') {
      ++pos;
      return TokenStatus::EndOfList;
    }
  }
  return TokenStatus::EndOfLine;
}

}  // namespace ardv
