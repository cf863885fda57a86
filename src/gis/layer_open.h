#pragma once
// Opening a survey layer for the GIS readers.

#include <string>

#include "files/file_units.h"
#include "mif/mif.h"
#include "store/workspace.h"

namespace kestrix {

/// Opens an input layer and positions its .mif after the header; false (both files closed) when that failed.
inline bool openSurveyLayer(Workspace& ctx, const std::string& layer, int& geomUnit, int& attrUnit) {
  geomUnit = 0;
  attrUnit = 0;
  miOpenLayer(ctx.layers, layer, geomUnit, attrUnit, FileMode::Input);
  if (miSkipHeader(ctx.files, geomUnit)) return true;
  CLOSER(ctx.files, geomUnit);
  CLOSER(ctx.files, attrUnit);
  return false;
}

}  // namespace kestrix
