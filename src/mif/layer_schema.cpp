#include "mif/layer_schema.h"

namespace kestrix {

std::string miColumnType(const LayerField& field) {
  switch (field.type) {
    case FieldType::Char: return "Char(" + std::to_string(field.width) + ")";
    case FieldType::Float: return "Float";
    case FieldType::Integer: return "Integer";
    case FieldType::Logical: return "Logical";
  }
  return std::string();
}

void miWriteColumns(FileAccess& files, int geomUnit, const LayerSchema& schema) {
  files.units.writeLine(geomUnit, "Columns " + std::to_string(schema.fields.size()));
  for (const LayerField& field : schema.fields)
    files.units.writeLine(geomUnit, "  " + field.name + " " + miColumnType(field));
  files.units.writeLine(geomUnit, "Data");
  files.units.writeLine(geomUnit, "");
}

}  // namespace kestrix
