#include "files/paths.h"

#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kPathBuffer = 1000;  // working length of joined and normalised paths

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Position (from 1) of the last separator, 0 when there is none.
std::size_t lastSeparator(std::string_view path) {
  const std::size_t at = path.find_last_of("\\/");
  return at == std::string_view::npos ? 0 : at + 1;
}

// Position (from 1) of the last dot, 0 when there is none.
std::size_t lastDot(std::string_view path) {
  const std::size_t at = path.rfind('.');
  return at == std::string_view::npos ? 0 : at + 1;
}

// Position (from 1) of the first occurrence of `what` at or after position `from`, 0 when absent.
std::size_t findFrom(const std::string& text, std::string_view what, std::size_t from = 1) {
  if (from < 1) from = 1;
  const std::size_t at = text.find(what, from - 1);
  return at == std::string::npos ? 0 : at + 1;
}

// Removes "name\..\" segments, one at a time from the left; a leading run of
// "..\" has no name to remove and stays.
void removeParentSegments(std::string& p) {
  std::size_t at = findFrom(p, "\\..\\");
  while (at > 1) {
    // A match that follows another parent reference: look for the next one
    // that follows a real folder name.
    while (at > 2 && p.compare(at - 3, 2, "..") == 0) {
      const std::size_t later = findFrom(p, "\\..\\", at + 4);
      if (later == 0 || later == at + 4) return;
      at = later;
    }
    const std::size_t before = p.rfind('\\', at - 2);  // the last backslash before the match
    const std::size_t q = before == std::string::npos ? 0 : before + 1;
    p.erase(q, at + 3 - q);  // positions q+1 to at+3: the name, "\.." and the backslash after
    at = findFrom(p, "\\..\\");
  }
}

// Without leading and trailing blanks.
std::string trimmed(std::string_view text) { return TRIMF(text); }

}  // namespace

std::string FILEEXT(std::string_view path) {
  const std::string_view p = significant(path);
  const std::size_t s = lastSeparator(p);
  const std::size_t d = lastDot(p);
  if (d == 0 || d < s) return std::string();
  return LOWERCASE(p.substr(d - 1));
}

std::string FILENAMEPATH(std::string_view path) {
  const std::string_view p = significant(path);
  const std::size_t s = lastSeparator(p);
  const std::size_t d = lastDot(p);
  if (d >= 2 && d > s) return std::string(significant(p.substr(0, d - 1)));
  return std::string(p);
}

std::string FILEFOLDERPATH(std::string_view path) {
  const std::string_view p = significant(path);
  const std::size_t s = lastSeparator(p);
  return std::string(p.substr(0, s));
}

std::string ADDFOLDER(std::string_view folder, std::string_view file) {
  const std::string_view f = significant(folder);
  const std::string name = trimmed(file);
  std::string joined;
  if (name.empty()) {
    joined = f.empty() ? std::string(".") : trimmed(f);
  } else if (f.empty() || name.find(':') != std::string::npos || name.find("\\\\") != std::string::npos) {
    joined = name;  // an absolute file ignores the folder
  } else if (isSeparator(f.back())) {
    joined = std::string(f) + name;
  } else {
    joined = std::string(f) + "\\" + name;
  }
  if (joined.size() > kPathBuffer) joined.resize(kPathBuffer);
  return REMOVEDOTDOT(joined);
}

std::string REMOVEDOTDOT(std::string_view path) {
  std::string p = trimmed(path.substr(0, kPathBuffer));

  // Doubled backslashes, unless the first one starts the path (a UNC name) or
  // follows a single leading character.
  for (std::size_t at = findFrom(p, "\\\\"); at >= 3; at = findFrom(p, "\\\\")) p.erase(at, 1);

  removeParentSegments(p);

  // Current-folder segments.
  for (std::size_t dot = findFrom(p, "\\.\\"); dot != 0; dot = findFrom(p, "\\.\\")) p.erase(dot, 2);
  return p;
}

std::string CLEANPATH(std::string& path) {
  std::string p = trimmed(std::string_view(path).substr(0, kPathBuffer));
  const auto firstPair = [&p] {
    const std::size_t back = findFrom(p, "\\\\");
    const std::size_t forward = findFrom(p, "//");
    return back > forward ? back : forward;
  };
  for (std::size_t at = firstPair(); at > 1; at = firstPair()) p.erase(at, 1);  // the second of the pair
  path = p;
  return p;
}

}  // namespace kestrix
