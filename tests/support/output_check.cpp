#include "support/output_check.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <string_view>

namespace kestrix::testing {

namespace {

std::string upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The words of a line, split at blanks and TABs.
std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.emplace_back(line.substr(start, i - start));
  }
  return out;
}

// A number as the writer puts it in a fixed field: blanks, an optional minus,
// digits with an optional point and decimals. Asterisks, "nan" and "inf" fail.
bool isNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '-') ++i;
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) digits = true, ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) digits = true, ++i;
  }
  return digits && i == text.size();
}

bool isInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '-') ++i;
  const std::size_t first = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  return i > first && i == text.size();
}

// Splits a file whose lines all end in CR LF; false (with the fault) when a
// line end is missing or a bare CR or LF stands inside a line.
bool crlfLines(const std::string& text, std::vector<std::string>& lines, std::string& fault) {
  lines.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      fault = "the last line has no CR LF";
      return false;
    }
    std::string line = text.substr(start, end - start);
    if (line.find_first_of("\r\n") != std::string::npos) {
      fault = "bare CR or LF inside line " + std::to_string(lines.size() + 1);
      return false;
    }
    lines.push_back(std::move(line));
    start = end + 2;
  }
  return true;
}

// One field of a delimited record: its value and whether it was quoted.
struct Field {
  std::string value;
  bool quoted = false;
};

// Splits delimited text into records of fields: a field is either quoted
// (inner quotes doubled, delimiters and line ends allowed inside) or holds no
// quote at all; every record ends in CR LF. False, with the fault, otherwise.
bool records(const std::string& text, char delimiter, std::vector<std::vector<Field>>& out, std::string& fault) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::vector<Field> record;
    for (;;) {
      Field field;
      if (i < text.size() && text[i] == '"') {
        field.quoted = true;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            fault = "unclosed quote in record " + std::to_string(out.size() + 1);
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field.value += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field.value += text[i++];
        }
      } else {
        while (i < text.size() && text[i] != delimiter && text[i] != '\r' && text[i] != '\n') {
          if (text[i] == '"') {
            fault = "quote inside an unquoted field of record " + std::to_string(out.size() + 1);
            return false;
          }
          field.value += text[i++];
        }
      }
      record.push_back(std::move(field));
      if (i < text.size() && text[i] == delimiter) {
        ++i;
        continue;
      }
      if (text.compare(i, 2, "\r\n") == 0) {
        i += 2;
        break;
      }
      fault = i >= text.size() ? "the last record has no CR LF"
                               : "stray character after field " + std::to_string(record.size()) + " of record " +
                                     std::to_string(out.size() + 1);
      return false;
    }
    out.push_back(std::move(record));
  }
  return true;
}

// A declared column of a layer.
struct Column {
  std::string name;
  std::string type;  // in capitals, without its width
  std::size_t width = 0;
};

bool parseColumn(const std::string& line, Column& column) {
  const std::vector<std::string> w = words(line);
  if (w.size() < 2) return false;
  column.name = w[0];
  std::string rest;
  for (std::size_t k = 1; k < w.size(); ++k) rest += w[k];
  rest = upper(rest);
  const std::size_t open = rest.find('(');
  column.type = rest.substr(0, open);
  if (column.type == "CHAR") {
    if (open == std::string::npos || rest.back() != ')') return false;
    column.width = std::strtoul(rest.c_str() + open + 1, nullptr, 10);
    return column.width >= 1 && column.width <= 254;
  }
  return true;
}

std::string checkValue(const Column& column, const Field& field) {
  const std::string& v = field.value;
  if (column.type == "CHAR") {
    if (v.size() > column.width) return "longer than Char(" + std::to_string(column.width) + "): " + v;
    return std::string();
  }
  if (field.quoted) return "quoted number";
  if (column.type == "FLOAT" || column.type == "DECIMAL") {
    return v.empty() || isNumber(v) ? std::string() : "not a number: " + v;
  }
  if (column.type == "INTEGER" || column.type == "SMALLINT") {
    return v.empty() || isInteger(v) ? std::string() : "not a whole number: " + v;
  }
  if (column.type == "LOGICAL") {
    return v.empty() || v == "T" || v == "F" ? std::string() : "not T or F: " + v;
  }
  return std::string();
}

// The object lines after "Data": points and polylines with their clauses.
// Returns the number of objects, or -1 with the fault.
int countObjects(const std::vector<std::string>& lines, std::size_t from, std::string& fault) {
  int objects = 0;
  for (std::size_t k = from; k < lines.size(); ++k) {
    const std::vector<std::string> w = words(lines[k]);
    if (w.empty()) continue;
    const std::string keyword = upper(w[0]);
    if (keyword == "POINT") {
      if (w.size() != 3 || !isNumber(w[1]) || !isNumber(w[2])) {
        fault = "bad point line: " + lines[k];
        return -1;
      }
      ++objects;
    } else if (keyword == "PLINE") {
      if (w.size() != 2 || !isInteger(w[1]) || std::atoi(w[1].c_str()) < 2) {
        fault = "bad pline line: " + lines[k];
        return -1;
      }
      const int n = std::atoi(w[1].c_str());
      for (int v = 0; v < n; ++v) {
        if (++k >= lines.size()) {
          fault = "pline cut short";
          return -1;
        }
        const std::vector<std::string> xy = words(lines[k]);
        if (xy.size() != 2 || !isNumber(xy[0]) || !isNumber(xy[1])) {
          fault = "bad vertex line: " + lines[k];
          return -1;
        }
      }
      ++objects;
    } else if (keyword == "PEN" || keyword == "SYMBOL" || keyword == "BRUSH" || keyword == "SMOOTH") {
      if (objects == 0) {
        fault = "clause before any object: " + lines[k];
        return -1;
      }
    } else {
      fault = "not an object line: " + lines[k];
      return -1;
    }
  }
  return objects;
}

std::string folderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

std::string checkLayer(const std::string& mif, const std::string& mid) {
  std::vector<std::string> lines;
  std::string fault;
  if (!crlfLines(mif, lines, fault)) return ".mif: " + fault;

  // The header: the last Delimiter line before "Columns" names the delimiter (TAB without one).
  char delimiter = '\t';
  std::size_t k = 0;
  for (; k < lines.size(); ++k) {
    const std::vector<std::string> w = words(lines[k]);
    if (w.empty()) continue;
    const std::string first = upper(w[0]);
    if (first == "COLUMNS") break;
    if (first == "DATA") return ".mif: \"Data\" before \"Columns\"";
    if (first == "DELIMITER") {
      const std::size_t q = lines[k].find('"');
      if (q == std::string::npos || q + 2 >= lines[k].size() || lines[k][q + 2] != '"') {
        return ".mif: bad delimiter line: " + lines[k];
      }
      delimiter = lines[k][q + 1];
    }
  }
  if (k == lines.size()) return ".mif: no \"Columns\" line";
  const std::vector<std::string> head = words(lines[k]);
  if (head.size() != 2 || !isInteger(head[1]) || std::atoi(head[1].c_str()) < 1) {
    return ".mif: bad columns line: " + lines[k];
  }
  const int nColumns = std::atoi(head[1].c_str());
  std::vector<Column> columns;
  for (int c = 0; c < nColumns; ++c) {
    Column column;
    if (++k >= lines.size() || !parseColumn(lines[k], column)) return ".mif: bad column " + std::to_string(c + 1);
    columns.push_back(column);
  }
  const std::vector<std::string> data = ++k < lines.size() ? words(lines[k]) : std::vector<std::string>();
  if (data.size() != 1 || upper(data[0]) != "DATA") return ".mif: no \"Data\" line after the columns";

  const int objects = countObjects(lines, k + 1, fault);
  if (objects < 0) return ".mif: " + fault;

  std::vector<std::vector<Field>> rows;
  if (!records(mid, delimiter, rows, fault)) return ".mid: " + fault;
  if (static_cast<int>(rows.size()) != objects) {
    return std::to_string(objects) + " objects but " + std::to_string(rows.size()) + " records";
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != columns.size()) {
      return ".mid: record " + std::to_string(r + 1) + " has " + std::to_string(rows[r].size()) + " fields for " +
             std::to_string(columns.size()) + " columns";
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string bad = checkValue(columns[c], rows[r][c]);
      if (!bad.empty()) return ".mid: record " + std::to_string(r + 1) + " " + columns[c].name + ": " + bad;
    }
  }
  return std::string();
}

std::string checkSectionCsv(const std::string& csv) {
  std::vector<std::vector<Field>> rows;
  std::string fault;
  if (!records(csv, ',', rows, fault)) return fault;
  if (rows.size() < 2) return "no heading";
  // The identifier line: quoted texts, each followed by a comma.
  const std::vector<Field>& first = rows[0];
  if (first.size() < 2 || !first.back().value.empty() || first.back().quoted) return "bad identifier line";
  for (std::size_t f = 0; f + 1 < first.size(); ++f)
    if (!first[f].quoted) return "unquoted text in the identifier line";
  const std::vector<Field>& heading = rows[1];
  if (heading.size() != 4 || heading[0].value != "X" || heading[1].value != "Z" || heading[3].value != "LCR" ||
      (heading[2].value != "M" && heading[2].value != "N" && heading[2].value != "R")) {
    return "bad heading";
  }
  for (std::size_t r = 2; r < rows.size(); ++r) {
    const std::vector<Field>& row = rows[r];
    const std::string where = "row " + std::to_string(r + 1) + ": ";
    if (row.size() != 4) return where + std::to_string(row.size()) + " fields";
    if (!isNumber(row[0].value) || !isNumber(row[1].value)) return where + "X or Z is not a number";
    if (!row[2].value.empty() && !isNumber(row[2].value)) return where + "resistance is not a number";
    if (row[3].value != " 1" && row[3].value != " 2" && row[3].value != " 3") return where + "bad LCR";
    for (const Field& f : row)
      if (f.quoted) return where + "quoted number";
  }
  return std::string();
}

std::vector<std::string> checkRunFiles(const FileMap& before, const FileMap& after, int status) {
  std::vector<std::string> faults;
  for (const auto& [name, bytes] : before) {
    const auto found = after.find(name);
    if (found == after.end()) {
      faults.push_back("input removed: " + name);
    } else if (found->second != bytes) {
      faults.push_back("input changed: " + name);
    }
  }
  std::vector<std::string> written;
  for (const auto& entry : after)
    if (before.count(entry.first) == 0) written.push_back(entry.first);
  if (status != 0 && status != 1) faults.push_back("exit status " + std::to_string(status));

  for (const std::string& name : written) {
    const std::size_t cut = name.find_last_of("/\\");
    const std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
    if (base.rfind(".kestrix-", 0) == 0 && endsWith(base, ".tmp")) faults.push_back("temporary file left: " + name);
  }
  if (status != 0) {
    for (const std::string& name : written) faults.push_back("file written by a failed run: " + name);
    return faults;
  }

  std::set<std::string> layers;
  for (const std::string& name : written) {
    if (endsWith(name, ".csv")) {
      const std::string bad = checkSectionCsv(after.at(name));
      if (!bad.empty()) faults.push_back(name + ": " + bad);
    } else if (endsWith(name, ".mif") || endsWith(name, ".mid")) {
      layers.insert(name.substr(0, name.size() - 4));
    }
  }
  for (const std::string& stem : layers) {
    const auto mif = after.find(stem + ".mif");
    const auto mid = after.find(stem + ".mid");
    if (mif == after.end() || mid == after.end() || before.count(mif->first) != 0 || before.count(mid->first) != 0) {
      faults.push_back(stem + ": written without its .mif or .mid");
      continue;
    }
    const std::string bad = checkLayer(mif->second, mid->second);
    if (!bad.empty()) faults.push_back(stem + ": " + bad);
  }

  // Every section named in 1d_xs was written.
  for (const std::string& name : written) {
    if (!endsWith(name, "1d_xs.mid")) continue;
    std::vector<std::vector<Field>> rows;
    std::string fault;
    if (!records(after.at(name), ',', rows, fault)) continue;  // reported above
    for (const auto& row : rows) {
      if (row.empty()) continue;
      const std::string& source = row[0].value;
      const bool bare = source.find_first_of("/\\") == std::string::npos;
      const std::string path = bare ? folderOf(name) + source : source;
      if (after.count(path) == 0 || before.count(path) != 0) faults.push_back(name + ": names " + source + ", not written");
    }
  }
  return faults;
}

}  // namespace kestrix::testing
