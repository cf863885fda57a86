#pragma once
// List-directed (free-format) reading of values from one line of text, as the
// model and layer files expect: values separated by commas, blanks or TABs,
// quoted texts, null values that keep the receiving variable, r*c repeats and
// a slash that ends the list. Reading never goes on into another line.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/numbers.h"

namespace kestrix {

/// Reads successive values of one free-format list from a text.
class FreeFormatReader {
 public:
  /// Starts reading at the beginning of `text`, which must outlive the reader; `route` General leaves out the shortcuts.
  explicit FreeFormatReader(std::string_view text, ReadRoute route = ReadRoute::Shortcut);

  /// Next value as a 32-bit integer; a null value leaves `value` alone. False on a read failure.
  bool readInt(std::int32_t& value);
  /// Next value as a single-precision real; a null value leaves `value` alone. False on a read failure.
  bool readFloat(float& value);
  /// Next value as a double-precision real; a null value leaves `value` alone. False on a read failure.
  bool readDouble(double& value);
  /// Next value as text (quotes removed), cut to `maxLength`; a null value leaves `value` alone. False when no value is left.
  bool readText(std::string& value, std::size_t maxLength);
  /// True when the last value read was a null, which left its receiving variable alone.
  bool lastWasNull() const { return lastNull_; }
  /// The item the last failed read met, quotes removed ("" when the list had run out); valid while the text is.
  std::string_view failedItem() const { return failedItem_; }

 private:
  enum class ItemKind { Value, Null, Failure };
  // Yields the next item of the list: its text and whether it was quoted, a null, or a failure.
  ItemKind nextItem(std::string_view& value, bool& quoted);
  template <typename T, typename Parse>
  bool readNumber(T& value, Parse parse);
  // The shortcut for the common item, a plain decimal: false (nothing read) when the general reading must decide.
  template <typename T>
  bool readPlain(T& value);
  // The shortcut for a quoted text without doubled quotes: false (nothing read) when the general reading must decide.
  bool readSimpleQuoted(std::string& value, std::size_t maxLength);
  // Notes the rest of the line from the item that could not be read as the failed item; false.
  bool failed();
  // True when the next item is read from the text itself, with leading blanks skipped.
  bool atOwnItem();
  // Reads one item (with its repeat count) from the text itself.
  ItemKind scanItem(std::string_view& value, bool& quoted, std::int64_t& count);
  // Reads a quoted value starting at the opening quote.
  bool scanQuoted(std::string_view& value);
  void skipBlanks();
  // Steps over the separator after a value: blanks, at most one comma, blanks.
  void skipSeparator();

  std::string_view text_;
  ReadRoute route_;
  std::size_t pos_ = 0;
  bool started_ = false;        // leading blanks have been skipped
  bool ended_ = false;          // a slash ended the list: every further item is null
  std::int64_t repeatLeft_ = 0; // copies still to deliver from an r*c or r* form
  ItemKind repeatKind_ = ItemKind::Null;
  std::string_view repeatValue_;
  bool repeatQuoted_ = false;
  std::string unquoted_;        // storage for a quoted value with doubled quotes
  bool lastNull_ = false;       // the last read met a null
  std::size_t itemStart_ = 0;   // where the item scanned last begins
  std::string_view failedItem_; // the item of the last failed read
};

}  // namespace kestrix
