#pragma once
// The GIS-mode layer readers: survey points and the start or projection lines.
//
// Module gis: the GIS-mode readers (identifiers, survey points, start and
// projection lines) that fill the store from input layers. It may call every
// module up to the workspace; never converters, output or driver.

#include <string>

#include "gis/features.h"
#include "workspace/workspace.h"

namespace kestrix {

/// Values of the last point record read in GIS mode: a null .mid value of MNR, LCR or XS_ID keeps them.
struct GisReadState {
  float lastZ = 0.0f;     ///< elevation of the last point record that had one
  float lastMnr = 0.0f;   ///< resistance value of the last point record
  std::string lastLcr;    ///< LCR value (one character at most) of the last point record
  std::string lastXsId;   ///< XS_ID value of the last point record
  bool anyRecord = false; ///< a point record has been read in this run
  bool materialWarned = false;  ///< the warning on fractional material numbers has been given
};

/// Reads the point objects of one layer into the section store; sets linesFound when it holds line objects.
void xsReadPoints(Workspace& ws, GisReadState& last, const std::string& layer);

/// Reads the point features of one layer from any source; `layer` names it in messages and to open().
void xsReadPoints(Workspace& ws, GisReadState& last, FeatureSource& source, const std::string& layer);

/// Reads the line objects of one layer as start lines or, with -ppol, projection lines.
void xsReadLines(Workspace& ws, const std::string& layer);

/// Reads the line features of one layer from any source as start or projection lines.
void xsReadLines(Workspace& ws, FeatureSource& source, const std::string& layer);

}  // namespace kestrix
