#pragma once
// GDAL reports its errors and warnings through a handler of its own; while an
// object of this kind lives, they are kept from the console (the program says
// what went wrong in its own words) and the last one can be asked for.

#include <cpl_error.h>

#include <string>

namespace kestrix {

/// Silences GDAL's messages for its lifetime and remembers the last one.
class QuietGdal {
 public:
  /// Installs the quiet handler and clears the last error.
  QuietGdal() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
  }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
  /// GDAL's last message, or `fallback` when it gave none.
  std::string message(const std::string& fallback) const {
    const char* text = CPLGetLastErrorMsg();
    return text != nullptr && *text != '\0' ? std::string(text) : fallback;
  }
};

}  // namespace kestrix
