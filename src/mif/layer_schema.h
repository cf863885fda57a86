#pragma once
// The attribute table and object kind of an output layer, declared once: the
// MIF Columns block and the fields of any other format are made from it, so
// that every format of a layer names and sizes its columns alike.

#include <string>
#include <string_view>
#include <vector>

#include "files/file_units.h"
#include "mif/mif.h"

namespace kestrix {

/// The kinds of column an output layer declares.
enum class FieldType {
  Char,     ///< text of at most `width` characters
  Float,    ///< a real number
  Integer,  ///< a whole number
  Logical,  ///< true or false
};

/// One column of an output layer.
struct LayerField {
  std::string name;  ///< column name
  FieldType type;    ///< its kind
  int width = 0;     ///< characters of a Char column, 0 otherwise
};

/// The name, columns and object kind of an output layer.
struct LayerSchema {
  std::string name;               ///< the layer's name without extension
  MifObjectKind geometry;         ///< Point or Pline
  std::vector<LayerField> fields;  ///< its columns in order
};

/// The column's declaration as a Columns block lists it ("Char(12)", "Float", ...).
std::string miColumnType(const LayerField& field);

/// Writes the Columns block of `schema` to an output .mif after its header: the count, one line per column, "Data"
/// and the blank line before the first object.
void miWriteColumns(FileAccess& files, int geomUnit, const LayerSchema& schema);

}  // namespace kestrix
