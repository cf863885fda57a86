#include "text/freeformat.h"

#include <algorithm>
#include <limits>

#include "text/numbers.h"

namespace kestrix {

namespace {

// Blanks and TABs separate values; a stray CR or LF left at the end of a line
// counts as a blank rather than as part of the last value.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool endsUnquoted(char c) { return isBlank(c) || c == ',' || c == '/'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A whole number with an optional sign, within 32 bits.
bool parseInt(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return false;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!isDigit(text[i])) return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

FreeFormatReader::FreeFormatReader(std::string_view text, ReadRoute route) : text_(text), route_(route) {}

inline void FreeFormatReader::skipBlanks() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

inline void FreeFormatReader::skipSeparator() {
  skipBlanks();
  if (pos_ < text_.size() && text_[pos_] == ',') {
    ++pos_;
    skipBlanks();
  }
}

bool FreeFormatReader::scanQuoted(std::string_view& value) {
  const char quote = text_[pos_];
  const std::size_t start = pos_ + 1;
  std::size_t from = start;
  bool copied = false;  // a doubled quote was met: the value lives in unquoted_
  for (;;) {
    const std::size_t close = text_.find(quote, from);
    if (close == std::string_view::npos) {
      // The closing quote would be on another line, which is never read.
      pos_ = text_.size();
      return false;
    }
    if (close + 1 < text_.size() && text_[close + 1] == quote) {
      if (!copied) unquoted_.assign(text_.substr(start, close + 1 - start));
      else unquoted_.append(text_.substr(from, close + 1 - from));
      copied = true;
      from = close + 2;
      continue;
    }
    if (copied) {
      unquoted_.append(text_.substr(from, close - from));
      value = unquoted_;
    } else {
      value = text_.substr(start, close - start);
    }
    pos_ = close + 1;
    return true;
  }
}

FreeFormatReader::ItemKind FreeFormatReader::scanItem(std::string_view& value, bool& quoted,
                                                      std::int64_t& count) {
  count = 1;
  quoted = false;
  if (!started_) {
    skipBlanks();
    started_ = true;
  }
  itemStart_ = pos_;
  if (pos_ >= text_.size()) return ItemKind::Failure;  // the line ran out
  if (text_[pos_] == '/') {
    ended_ = true;
    return ItemKind::Null;
  }
  if (text_[pos_] == ',') {  // nothing between two separators
    ++pos_;
    skipBlanks();
    return ItemKind::Null;
  }

  // A repeat count: digits directly followed by "*".
  std::size_t digitsEnd = pos_;
  while (digitsEnd < text_.size() && isDigit(text_[digitsEnd])) ++digitsEnd;
  if (digitsEnd > pos_ && digitsEnd < text_.size() && text_[digitsEnd] == '*') {
    std::int32_t repeat = 0;
    if (!parseInt(text_.substr(pos_, digitsEnd - pos_), repeat) || repeat < 1) {
      pos_ = digitsEnd + 1;
      return ItemKind::Failure;
    }
    count = repeat;
    pos_ = digitsEnd + 1;
    if (pos_ >= text_.size() || endsUnquoted(text_[pos_])) {  // r* stands for r nulls
      skipSeparator();
      return ItemKind::Null;
    }
  }

  if (text_[pos_] == '"' || text_[pos_] == '\'') {
    if (!scanQuoted(value)) return ItemKind::Failure;
    quoted = true;
  } else {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !endsUnquoted(text_[pos_])) ++pos_;
    value = text_.substr(start, pos_ - start);
  }
  skipSeparator();
  return ItemKind::Value;
}

FreeFormatReader::ItemKind FreeFormatReader::nextItem(std::string_view& value, bool& quoted) {
  if (repeatLeft_ > 0) {
    --repeatLeft_;
    value = repeatValue_;
    quoted = repeatQuoted_;
    return repeatKind_;
  }
  if (ended_) return ItemKind::Null;
  std::int64_t count = 1;
  const ItemKind kind = scanItem(value, quoted, count);
  if (kind != ItemKind::Failure && count > 1) {
    repeatLeft_ = count - 1;
    repeatKind_ = kind;
    repeatValue_ = value;
    repeatQuoted_ = quoted;
  }
  return kind;
}

// Every numeric read: a null keeps the value, a quoted or malformed item fails.
template <typename T, typename Parse>
bool FreeFormatReader::readNumber(T& value, Parse parse) {
  std::string_view item;
  bool quoted = false;
  const ItemKind kind = nextItem(item, quoted);
  lastNull_ = kind == ItemKind::Null;
  switch (kind) {
    case ItemKind::Null: return true;
    case ItemKind::Failure: return failed();
    case ItemKind::Value: break;
  }
  T parsed{};
  if (quoted || !parse(item, parsed)) {
    failedItem_ = item;
    return false;
  }
  value = parsed;
  return true;
}

bool FreeFormatReader::failed() {
  // What is left of the line from the item on: nothing when the line ran
  // out, else the malformed item (an unclosed quote, a bad repeat count).
  std::string_view rest = text_.substr(std::min(itemStart_, text_.size()));
  while (!rest.empty() && isBlank(rest.back())) rest.remove_suffix(1);
  failedItem_ = rest;
  return false;
}

bool FreeFormatReader::atOwnItem() {
  if (route_ != ReadRoute::Shortcut || repeatLeft_ > 0 || ended_) return false;
  if (!started_) {
    skipBlanks();
    started_ = true;
  }
  return pos_ < text_.size();
}

// A plain decimal followed by the end of its item is that item as the general
// reading takes it: no repeat count (its digits would be followed by "*"), no
// quote, no null.
template <typename T>
bool FreeFormatReader::readPlain(T& value) {
  if (!atOwnItem()) return false;
  T parsed{};
  const std::size_t length = readPlainNumber(std::string_view(text_.data() + pos_, text_.size() - pos_), parsed);
  if (length == 0) return false;
  if (pos_ + length < text_.size() && !endsUnquoted(text_[pos_ + length])) return false;
  pos_ += length;
  skipSeparator();
  lastNull_ = false;
  value = parsed;
  return true;
}

bool FreeFormatReader::readSimpleQuoted(std::string& value, std::size_t maxLength) {
  if (!atOwnItem()) return false;
  const char quote = text_[pos_];
  if (quote != '"' && quote != '\'') return false;
  // Items are short: a plain scan costs less than a library search.
  std::size_t close = pos_ + 1;
  while (close < text_.size() && text_[close] != quote) ++close;
  if (close == text_.size() || (close + 1 < text_.size() && text_[close + 1] == quote)) return false;
  value.assign(text_.substr(pos_ + 1, std::min(close - pos_ - 1, maxLength)));
  pos_ = close + 1;
  skipSeparator();
  lastNull_ = false;
  return true;
}

bool FreeFormatReader::readInt(std::int32_t& value) {
  return readNumber(value, [](std::string_view t, std::int32_t& v) { return parseInt(t, v); });
}

bool FreeFormatReader::readFloat(float& value) {
  if (readPlain(value)) return true;
  const ReadRoute route = route_;
  return readNumber(value, [route](std::string_view t, float& v) { return readNumberText(t, v, route); });
}

bool FreeFormatReader::readDouble(double& value) {
  if (readPlain(value)) return true;
  const ReadRoute route = route_;
  return readNumber(value, [route](std::string_view t, double& v) { return readNumberText(t, v, route); });
}

bool FreeFormatReader::readText(std::string& value, std::size_t maxLength) {
  if (readSimpleQuoted(value, maxLength)) return true;
  std::string_view item;
  bool quoted = false;
  const ItemKind kind = nextItem(item, quoted);
  lastNull_ = kind == ItemKind::Null;
  switch (kind) {
    case ItemKind::Null: return true;
    case ItemKind::Failure: return failed();
    case ItemKind::Value: break;
  }
  value.assign(item.substr(0, maxLength));
  return true;
}

}  // namespace kestrix
