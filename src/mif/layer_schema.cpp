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

void miWriteColumns(FileAccess& ctx, int geomUnit, const LayerSchema& schema) {
  ctx.units.writeLine(geomUnit, "Columns " + std::to_string(schema.fields.size()));
  for (const LayerField& field : schema.fields)
    ctx.units.writeLine(geomUnit, "  " + field.name + " " + miColumnType(field));
  ctx.units.writeLine(geomUnit, "Data");
  ctx.units.writeLine(geomUnit, "");
}

}  // namespace kestrix
