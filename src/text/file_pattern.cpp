#include "text/file_pattern.h"

#include <algorithm>

#include "text/text_bytes.h"

namespace corvane {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// A byte that is not part of valid UTF-8 becomes 0xDC00 + byte: a lone
// surrogate, which valid UTF-8 never decodes to, so raw bytes and real
// characters can never be confused.
constexpr char32_t kRawByteBase = 0xDC00;

struct Decoded {
  char32_t code;
  std::size_t size;  // bytes taken, always at least 1
};

// Reads the character at pos (pos < text.size()). Overlong forms,
// surrogates, values past U+10FFFF and cut-off sequences are not valid
// UTF-8: their first byte is returned on its own.
Decoded DecodeAt(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const Decoded raw{kRawByteBase + lead, 1};
  if (lead < 0x80) return {lead, 1};
  std::size_t size = 0;
  char32_t least = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2, least = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3, least = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4, least = 0x10000, code = lead & 0x07;
  } else {
    return raw;
  }
  if (text.size() - pos < size) return raw;
  for (std::size_t i = 1; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (!IsUtf8Continuation(text[pos + i])) return raw;
    code = (code << 6) | (byte & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < least || code > 0x10FFFF || surrogate) return raw;
  return {code, size};
}

}  // namespace

FilePattern::FilePattern(std::string_view pattern) {
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const Decoded c = DecodeAt(pattern, pos);
    pos += c.size;
    if (c.code == '[') {
      const std::size_t after = ParseList(pattern, pos);
      if (after != kNone) {
        pos = after;
        continue;
      }
    }
    switch (c.code) {
      case '?': tokens_.push_back({Kind::AnyOne}); break;
      case '#': tokens_.push_back({Kind::Digit}); break;
      case '*':
        // A run of stars means the same as one and would only slow matching.
        if (tokens_.empty() || tokens_.back().kind != Kind::Star) tokens_.push_back({Kind::Star});
        break;
      default: tokens_.push_back({Kind::Literal, c.code}); break;
    }
  }
}

std::size_t FilePattern::ParseList(std::string_view pattern, std::size_t pos) {
  Token token{Kind::List};
  if (pos < pattern.size() && pattern[pos] == '!') {
    token.negated = true;
    ++pos;
  }
  // "]" is ASCII and so never a byte inside a multi-byte sequence.
  const std::size_t close = pattern.find(']', pos);
  if (close == kNone) return kNone;
  const std::string_view body = pattern.substr(pos, close - pos);
  token.begin = ranges_.size();
  std::size_t i = 0;
  while (i < body.size()) {
    const Decoded first = DecodeAt(body, i);
    i += first.size;
    Range range{first.code, first.code};
    // A "-" with a character after it makes a range; the last "-" cannot.
    if (i + 1 < body.size() && body[i] == '-') {
      const Decoded last = DecodeAt(body, i + 1);
      range.last = last.code;
      i += 1 + last.size;
    }
    if (range.first <= range.last) ranges_.push_back(range);
  }
  token.end = ranges_.size();
  tokens_.push_back(token);
  return close + 1;
}

bool FilePattern::TokenMatches(const Token& token, char32_t code) const {
  switch (token.kind) {
    case Kind::Literal: return code == token.code;
    case Kind::AnyOne: return true;
    case Kind::Digit: return code >= '0' && code <= '9';
    case Kind::List: {
      const auto begin = ranges_.begin() + static_cast<std::ptrdiff_t>(token.begin);
      const auto end = ranges_.begin() + static_cast<std::ptrdiff_t>(token.end);
      const bool listed =
          std::any_of(begin, end, [code](Range r) { return r.first <= code && code <= r.last; });
      return listed != token.negated;
    }
    case Kind::Star: break;
  }
  return false;
}

// Greedy matching with a return point at the last star: on a mismatch the
// last star takes one more character and matching resumes after it. Every
// other token takes exactly one character, so going back further than the
// last star can never find a match the last star cannot; this keeps
// patterns like "*a*a*a*b" from taking exponential time.
bool FilePattern::Matches(std::string_view name) const {
  std::size_t t = 0;
  std::size_t n = 0;
  std::size_t starToken = kNone;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (t < tokens_.size() && tokens_[t].kind == Kind::Star) {
      starToken = ++t;
      starName = n;
      continue;
    }
    const Decoded c = DecodeAt(name, n);
    if (t < tokens_.size() && TokenMatches(tokens_[t], c.code)) {
      ++t;
      n += c.size;
      continue;
    }
    if (starToken == kNone) return false;
    starName += DecodeAt(name, starName).size;
    n = starName;
    t = starToken;
  }
  while (t < tokens_.size() && tokens_[t].kind == Kind::Star) ++t;
  return t == tokens_.size();
}

FilePatternList::FilePatternList(std::string_view filePattern) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = filePattern.find('|', start);
    patterns_.emplace_back(filePattern.substr(start, bar == kNone ? kNone : bar - start));
    if (bar == kNone) break;
    start = bar + 1;
  }
}

bool FilePatternList::Matches(std::string_view name) const {
  return std::any_of(patterns_.begin(), patterns_.end(),
                     [name](const FilePattern& p) { return p.Matches(name); });
}

}  // namespace corvane
