# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Hands QGIS layers to Kestrix as MIF/MID files.

A layer that is a MIF/MID file as it stands on disk is passed by its path.
Any other layer (a GeoPackage, a Shapefile, a database table, a scratch layer,
a layer with unsaved edits or a filter) is written with QGIS's own writer to a
temporary MIF/MID in the layout Kestrix reads, so that a Kestrix built without
GDAL reads it too.
"""

import os
import re

from qgis.PyQt.QtCore import QVariant
from qgis.core import (QgsFeature, QgsField, QgsGeometry, QgsProviderRegistry, QgsVectorFileWriter,
                       QgsVectorLayer, QgsWkbTypes)

POINT_FIELDS = ("Z", "MNR", "LCR", "XS_ID")


def mif_path(layer):
    """The .mif file `layer` shows unchanged, or None when it must be written out."""
    if layer.providerType() != "ogr" or layer.subsetString() or layer.isModified():
        return None
    parts = QgsProviderRegistry.instance().decodeUri("ogr", layer.source())
    path = parts.get("path") or ""
    if path.lower().endswith(".mif") and os.path.isfile(path):
        return path
    return None


def _field_index(layer, name):
    names = [field.name().lower() for field in layer.fields()]
    return names.index(name.lower()) if name.lower() in names else -1


def point_field_sources(layer):
    """Where the Z, MNR, LCR and XS_ID of each point come from: a field index, or
    None for Z when the points' own Z coordinate gives the elevation. Fields are
    taken by name (in any case) when the layer has MNR, LCR and XS_ID fields,
    else the first four by position, as Kestrix reads a layer of any format."""
    by_name = [_field_index(layer, name) for name in POINT_FIELDS]
    if min(by_name[1:]) >= 0:
        if by_name[0] < 0:
            return [None] + by_name[1:]
        return by_name
    count = layer.fields().count()
    return [i for i in range(min(4, count))]


def line_field_source(layer):
    """The field that names each line's section: XS_ID, else the first field."""
    index = _field_index(layer, "XS_ID")
    if index >= 0:
        return index
    return 0 if layer.fields().count() else None


def _single(geometry, kind):
    """The geometry as a single part of `kind`, or None when it has none or
    several parts (Kestrix passes those over)."""
    if geometry is None or geometry.isNull() or geometry.type() != kind:
        return None
    if geometry.isMultipart():
        parts = geometry.asGeometryCollection()
        if len(parts) != 1:
            return None
        geometry = parts[0]
    return geometry


def _scratch(layer, kind, fields):
    uri = "Point" if kind == QgsWkbTypes.PointGeometry else "LineString"
    scratch = QgsVectorLayer(uri, "export", "memory")
    scratch.setCrs(layer.crs())
    scratch.dataProvider().addAttributes(fields)
    scratch.updateFields()
    return scratch


def _point_layer(layer):
    sources = point_field_sources(layer)
    fields = []
    for name, source in zip(POINT_FIELDS, sources):
        field = QgsField("Z", QVariant.Double) if source is None else QgsField(layer.fields().at(source))
        field.setName(name)
        fields.append(field)
    scratch = _scratch(layer, QgsWkbTypes.PointGeometry, fields)
    features = []
    for feature in layer.getFeatures():
        geometry = _single(feature.geometry(), QgsWkbTypes.PointGeometry)
        if geometry is None:
            continue
        values = []
        for source in sources:
            if source is None:
                point = geometry.constGet()
                values.append(point.z() if point.is3D() else None)
            else:
                values.append(feature.attribute(source))
        out = QgsFeature(scratch.fields())
        out.setGeometry(QgsGeometry(geometry.constGet().clone()))
        out.setAttributes(values)
        features.append(out)
    scratch.dataProvider().addFeatures(features)
    return scratch


def _line_layer(layer):
    source = line_field_source(layer)
    field = QgsField("XS_ID", QVariant.String) if source is None else QgsField(layer.fields().at(source))
    field.setName("XS_ID")
    scratch = _scratch(layer, QgsWkbTypes.LineGeometry, [field])
    features = []
    for feature in layer.getFeatures():
        geometry = _single(feature.geometry(), QgsWkbTypes.LineGeometry)
        if geometry is None:
            continue
        out = QgsFeature(scratch.fields())
        out.setGeometry(QgsGeometry(geometry.constGet().clone()))
        out.setAttributes([None if source is None else feature.attribute(source)])
        features.append(out)
    scratch.dataProvider().addFeatures(features)
    return scratch


def write_mif(layer, path, context):
    """Writes `layer` to `path` as MIF/MID with QGIS's writer; raises OSError on failure."""
    options = QgsVectorFileWriter.SaveVectorOptions()
    # QGIS's name for GDAL's "MapInfo File" driver with FORMAT=MIF.
    options.driverName = "MapInfo MIF"
    options.fileEncoding = "UTF-8"
    write = getattr(QgsVectorFileWriter, "writeAsVectorFormatV3", None) or \
        QgsVectorFileWriter.writeAsVectorFormatV2
    result = write(layer, path, context.transformContext(), options)
    if result[0] != QgsVectorFileWriter.NoError:
        raise OSError('QGIS could not write "%s": %s' % (path, result[1]))


def _file_stem(layer, number):
    stem = re.sub(r"[^A-Za-z0-9_-]+", "_", layer.name()).strip("_") or "layer"
    return "%02d_%s" % (number, stem[:40])


class LayerFiles:
    """The files one run reads for its layers, and the temporaries made for them."""

    def __init__(self, folder, context, feedback):
        self.folder = folder
        self.context = context
        self.feedback = feedback
        self.exported = 0
        self._count = 0

    def survey(self, layer):
        """The MIF files that hold the points and lines of a survey layer."""
        direct = mif_path(layer)
        if direct:
            return [direct]
        paths = []
        kinds = [layer.geometryType()]
        if kinds[0] not in (QgsWkbTypes.PointGeometry, QgsWkbTypes.LineGeometry):
            # A layer of no single geometry type (a GeoJSON file, say) may hold both.
            kinds = [QgsWkbTypes.PointGeometry, QgsWkbTypes.LineGeometry]
        for kind in kinds:
            scratch = _point_layer(layer) if kind == QgsWkbTypes.PointGeometry else _line_layer(layer)
            if scratch.featureCount() == 0 and len(kinds) > 1:
                continue
            paths.append(self._write(layer, scratch))
        return paths

    def projection(self, layer):
        """A MIF file whose header carries the map projection of `layer`."""
        direct = mif_path(layer)
        if direct:
            return direct
        # No features, but one field: the MIF writer wants a column.
        scratch = _scratch(layer, QgsWkbTypes.PointGeometry, [QgsField("ID", QVariant.Int)])
        return self._write(layer, scratch)

    def _write(self, layer, scratch):
        self._count += 1
        path = os.path.join(self.folder, _file_stem(layer, self._count) + ".mif")
        write_mif(scratch, path, self.context)
        self.exported += 1
        self.feedback.pushInfo('Layer "%s" written for Kestrix to %s' % (layer.name(), path))
        return path
