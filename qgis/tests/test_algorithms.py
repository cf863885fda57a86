# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Whole runs of the Kestrix algorithms through processing.run, in a headless
QGIS started by run_tests.py."""

import csv
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import processing
from qgis.core import (QgsCoordinateReferenceSystem, QgsFeature, QgsField, QgsGeometry, QgsPoint,
                       QgsProcessingException, QgsProcessingFeedback, QgsProject, QgsVectorFileWriter,
                       QgsVectorLayer)
from qgis.PyQt.QtCore import QVariant

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE = os.path.join(ROOT, "examples")
MODEL = os.path.join(ROOT, "fuzz", "model")
REALDATA = os.path.join(os.path.dirname(ROOT), "shared", "realdata")


def layer(path, name=None):
    result = QgsVectorLayer(path, name or os.path.basename(path), "ogr")
    assert result.isValid(), path
    return result


def mid_records(mif):
    """The records of the .mid beside `mif` (a quoted value may hold a line break)."""
    with open(mif[:-4] + ".mid", newline="", encoding="utf-8", errors="replace") as mid:
        return sum(1 for _ in csv.reader(mid))


def csv_files(folder):
    files = {}
    for path in glob.glob(os.path.join(folder, "*.csv")):
        with open(path, "rb") as handle:
            files[os.path.basename(path)] = handle.read()
    return files


class Log(QgsProcessingFeedback):
    """Keeps every line the algorithm logs."""

    def __init__(self):
        super().__init__()
        self.lines = []

    def pushInfo(self, text):
        self.lines.append(text)

    def pushConsoleInfo(self, text):
        self.lines.append(text)

    def pushWarning(self, text):
        self.lines.append(text)

    def reportError(self, text, fatal=False):
        self.lines.append(text)


class KestrixAlgorithmsTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kestrix-qgis-test-")
        QgsProject.instance().clear()

    def tearDown(self):
        QgsProject.instance().clear()
        shutil.rmtree(self.folder, ignore_errors=True)

    def out(self, name):
        return os.path.join(self.folder, name)

    def survey_run(self, points, lines, name, feedback=None):
        parameters = {"POINTS": points, "LINES": lines, "RESISTANCE": 1, "SAVEDATE": 2, "OUTPUT": self.out(name)}
        return processing.run("kestrix:survey", parameters, feedback=feedback)

    def scratch(self, kind, fields, rows):
        """A memory layer in British National Grid holding `rows` as (geometry, values)."""
        result = QgsVectorLayer(kind, "scratch " + kind, "memory")
        result.setCrs(QgsCoordinateReferenceSystem("EPSG:27700"))
        result.dataProvider().addAttributes(fields)
        result.updateFields()
        features = []
        for geometry, values in rows:
            feature = QgsFeature(result.fields())
            feature.setGeometry(geometry)
            feature.setAttributes(values)
            features.append(feature)
        result.dataProvider().addFeatures(features)
        return result

    def test_each_algorithm_loads_the_layers_it_writes(self):
        isis = os.path.join(REALDATA, "isis", "Douglas_2018_DN_002_DesQ_internal.DAT")
        if not os.path.isfile(isis):
            isis = os.path.join(MODEL, "model.dat")
        bng = self.scratch("Point", [], [])
        cases = [
            ("survey", {"POINTS": layer(os.path.join(EXAMPLE, "survey.mif")),
                        "LINES": layer(os.path.join(EXAMPLE, "start_lines.mif")), "RESISTANCE": 1,
                        "SAVEDATE": 2, "HTML": True},
             ["1d_xs", "_xs_bed_points", "_xs_all_points"], "CoordSys Earth Projection 8, 79"),
            # A projection layer that is no MIF file is written out for its projection alone.
            ("isis", {"PROJECTION": bng, "MODEL": [isis], "RESISTANCE": 1},
             ["1d_xs", "_xs_bed_points", "_xs_all_points"], "CoordSys Earth Projection 8, 79"),
            ("mike11", {"PROJECTION": layer(os.path.join(MODEL, "proj.mif")),
                        "SECTIONS_TXT": [os.path.join(MODEL, "xs.txt")],
                        "NWK11": os.path.join(MODEL, "model.nwk11"), "HD11": os.path.join(MODEL, "model.hd11")},
             ["1d_xs", "_xs_bed_points", "_xs_all_points", "1d_nwk", "1d_branches"], "CoordSys Nonearth"),
        ]
        for algorithm, parameters, written, coordsys in cases:
            with self.subTest(algorithm):
                QgsProject.instance().clear()
                parameters["OUTPUT"] = self.out(algorithm)
                results = processing.runAndLoadResults("kestrix:" + algorithm, parameters)
                self.assertEqual(results["SECTIONS"], len(csv_files(results["OUTPUT"])))
                self.assertGreater(results["SECTIONS"], 0)
                loaded = {lay.source().split("|")[0]: lay for lay in QgsProject.instance().mapLayers().values()}
                self.assertEqual(len(loaded), len(written))
                for name in written:
                    path = os.path.join(results["OUTPUT"], name + ".mif")
                    self.assertIn(path, loaded)
                    self.assertEqual(loaded[path].featureCount(), mid_records(path), name)
                with open(os.path.join(results["OUTPUT"], "1d_xs.mif"), encoding="latin-1") as mif:
                    header = mif.read(2000)
                self.assertIn(coordsys, header.split("Columns")[0])
                self.assertEqual("REPORT" in results, algorithm == "survey")

    def test_any_vector_layer_gives_the_sections_of_the_mif_run(self):
        points = layer(os.path.join(EXAMPLE, "survey.mif"), "survey")
        lines = layer(os.path.join(EXAMPLE, "start_lines.mif"), "start lines")
        expected = csv_files(self.survey_run(points, lines, "mif")["OUTPUT"])
        self.assertEqual(len(expected), 3)

        gpkg = self.out("survey.gpkg")
        for source, name in ((points, "points"), (lines, "lines")):
            options = QgsVectorFileWriter.SaveVectorOptions()
            options.driverName = "GPKG"
            options.layerName = name
            if os.path.exists(gpkg):
                options.actionOnExistingFile = QgsVectorFileWriter.CreateOrOverwriteLayer
            QgsVectorFileWriter.writeAsVectorFormatV2(source, gpkg, QgsProject.instance().transformContext(),
                                                      options)
        gpkg_points = layer(gpkg + "|layername=points")
        gpkg_lines = layer(gpkg + "|layername=lines")

        # The fields in another order and with an extra one, taken by name;
        # the last point only in the edit buffer, not yet saved.
        fields = [QgsField("xs_id", QVariant.String), QgsField("Remark", QVariant.String),
                  QgsField("lcr", QVariant.String), QgsField("mnr", QVariant.Double), QgsField("z", QVariant.Double)]
        rows = [(f.geometry(), [f["XS_ID"], "surveyed", f["LCR"], f["MNR"], f["Z"]]) for f in points.getFeatures()]
        edited = self.scratch("Point", fields, rows[:-1])
        edited.startEditing()
        last = QgsFeature(edited.fields())
        last.setGeometry(rows[-1][0])
        last.setAttributes(rows[-1][1])
        edited.addFeature(last)

        # No Z field: each point's own Z coordinate is its elevation.
        fields3d = [QgsField("MNR", QVariant.Double), QgsField("LCR", QVariant.String),
                    QgsField("XS_ID", QVariant.String)]
        rows3d = []
        for f in points.getFeatures():
            point = f.geometry().asPoint()
            rows3d.append((QgsGeometry(QgsPoint(point.x(), point.y(), f["Z"])), [f["MNR"], f["LCR"], f["XS_ID"]]))
        points3d = self.scratch("PointZ", fields3d, rows3d)

        # Fields of other names: the first four, by position.
        other = [QgsField(name, kind) for name, kind in (("level", QVariant.Double), ("n", QVariant.Double),
                                                         ("bank", QVariant.String), ("section", QVariant.String))]
        positional = self.scratch("Point", other, [(f.geometry(), [f["Z"], f["MNR"], f["LCR"], f["XS_ID"]])
                                                   for f in points.getFeatures()])

        for name, run_points, run_lines in (("GeoPackage", gpkg_points, gpkg_lines),
                                            ("scratch layer with unsaved edits", edited, lines),
                                            ("3D points without a Z field", points3d, gpkg_lines),
                                            ("fields taken by position", positional, lines)):
            with self.subTest(name):
                results = self.survey_run(run_points, run_lines, name)
                self.assertEqual(csv_files(results["OUTPUT"]), expected)
        edited.rollBack()

    def test_a_missing_input_fails_with_the_error_of_kestrix(self):
        log = Log()
        output = self.out("missing")
        parameters = {"PROJECTION": layer(os.path.join(MODEL, "proj.mif")),
                      "SECTIONS_TXT": [os.path.join(MODEL, "xs.txt")],
                      "NWK11": os.path.join(MODEL, "model.nwk11"), "HD11": self.out("absent.hd11"),
                      "OUTPUT": output}
        with self.assertRaises(QgsProcessingException):
            processing.run("kestrix:mike11", parameters, feedback=log)
        message = 'ERROR - Model file "%s" cannot be found' % self.out("absent.hd11")
        self.assertTrue(any(line.startswith(message) for line in log.lines), log.lines)
        self.assertFalse(os.path.exists(output))

    def test_cancel_stops_the_run_and_leaves_nothing(self):
        survey = self.out("big")
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "gen_gis_survey.py"), "--sections", "3000",
                        "--points", "60", "--out", survey], check=True)
        output = self.out("canceled")

        class CancelWhileWriting(QgsProcessingFeedback):
            """Cancels as soon as the run has begun writing its outputs."""
            seen_writing = False

            def isCanceled(self):
                if not self.seen_writing and glob.glob(os.path.join(output, ".kestrix-*.tmp")):
                    self.seen_writing = True
                    self.cancel()
                return super().isCanceled()

        feedback = CancelWhileWriting()
        with self.assertRaises(QgsProcessingException):
            self.survey_run(layer(survey + ".mif"), None, "canceled", feedback=feedback)
        self.assertTrue(feedback.seen_writing)
        self.assertEqual(os.listdir(output) if os.path.isdir(output) else [], [])

    def test_after_a_kill_only_a_run_outside_its_commit_loses_its_temporary_files(self):
        from kestrix_processing.runner import remove_leftovers
        others = [".kestrix-7-a.csv.old", ".kestrix-8-b.csv.tmp"]  # a backup, another process's file
        for journal, kept in ((False, others),
                              (True, others + [".kestrix-7-a.csv.tmp", ".kestrix-7.commit"])):
            folder = self.out("killed-%s" % journal)
            os.makedirs(folder)
            for name in others + [".kestrix-7-a.csv.tmp"] + ([".kestrix-7.commit"] if journal else []):
                open(os.path.join(folder, name), "w").close()
            remove_leftovers(folder, 7)
            self.assertEqual(sorted(os.listdir(folder)), sorted(kept))
