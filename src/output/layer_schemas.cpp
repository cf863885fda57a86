#include "output/layer_schemas.h"

#include "store/store.h"
#include "workspace/network.h"

namespace kestrix {

namespace {

// Identifier columns hold what a section identifier keeps everywhere else.
constexpr int kIdColumn = static_cast<int>(kIdWidth);

}  // namespace

LayerSchema sectionLineSchema(std::size_t sourceWidth) {
  return {"1d_xs",
          MifObjectKind::Pline,
          {{"Source", FieldType::Char, static_cast<int>(sourceWidth)},
           {"Type", FieldType::Char, 2},
           {"Flags", FieldType::Char, 10},
           {"Column_1", FieldType::Char, 20},
           {"Column_2", FieldType::Char, 20},
           {"Column_3", FieldType::Char, 20},
           {"Column_4", FieldType::Char, 20},
           {"Column_5", FieldType::Char, 20},
           {"Column_6", FieldType::Char, 20},
           {"Z_Increment", FieldType::Float},
           {"Z_Maximum", FieldType::Float}}};
}

LayerSchema sectionPointSchema(const char* name) {
  return {name, MifObjectKind::Point, {{"XS_ID", FieldType::Char, kIdColumn}, {"Z", FieldType::Float}}};
}

LayerSchema demPointSchema() {
  return {"_xs_dem_points",
          MifObjectKind::Point,
          {{"XS_ID", FieldType::Char, kIdColumn},
           {"Offset", FieldType::Float},
           {"Z", FieldType::Float},
           {"Resistance", FieldType::Float},
           {"LCR", FieldType::Char, 1},
           {"DEM", FieldType::Char, kDemNameColumn}}};
}

LayerSchema checkPointSchema() {
  return {"_xs_checks",
          MifObjectKind::Point,
          {{"XS_ID", FieldType::Char, kIdColumn},
           {"Check", FieldType::Char, 14},
           {"Message", FieldType::Char, kCheckMessageColumn}}};
}

LayerSchema networkSchema() {
  return {"1d_nwk",
          MifObjectKind::Pline,
          {{"ID", FieldType::Char, static_cast<int>(kM11ChannelIdWidth)}, {"Type", FieldType::Char, 4},
           {"Ignore", FieldType::Logical},        {"UCS", FieldType::Logical},
           {"Len_or_ANA", FieldType::Float},      {"n_or_n_F", FieldType::Float},
           {"US_Invert", FieldType::Float},       {"DS_Invert", FieldType::Float},
           {"Form_Loss", FieldType::Float},       {"pBlockage", FieldType::Float},
           {"Inlet_Type", FieldType::Char, 12},   {"Conn_2D", FieldType::Char, 4},
           {"Conn_No", FieldType::Integer},       {"Width_or_Dia", FieldType::Float},
           {"Height_or_WF", FieldType::Float},    {"Number_of", FieldType::Integer},
           {"Height_Cont", FieldType::Float},     {"Width_Cont", FieldType::Float},
           {"Entry_Loss", FieldType::Float},      {"Exit_Loss", FieldType::Float},
           {"US_XSect", FieldType::Char, kIdColumn}, {"DS_XSect", FieldType::Char, kIdColumn}}};
}

LayerSchema branchesSchema() { return {"1d_branches", MifObjectKind::Pline, {{"Branch", FieldType::Char, 200}}}; }

}  // namespace kestrix
