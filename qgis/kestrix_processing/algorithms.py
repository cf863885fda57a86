# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""The Kestrix algorithms: a survey (GIS mode), an ISIS model and a MIKE 11 model."""

import os
import shutil
import tempfile

from qgis.PyQt.QtGui import QIcon
from qgis.core import (QgsProcessing, QgsProcessingAlgorithm, QgsProcessingContext, QgsProcessingException,
                       QgsProcessingOutputFile, QgsProcessingOutputNumber,
                       QgsProcessingOutputVectorLayer, QgsProcessingParameterBoolean,
                       QgsProcessingParameterDefinition, QgsProcessingParameterEnum, QgsProcessingParameterFile,
                       QgsProcessingParameterFolderDestination, QgsProcessingParameterMultipleLayers,
                       QgsProcessingParameterNumber, QgsProcessingParameterVectorLayer, QgsProcessingUtils)

from . import runner
from .layers import LayerFiles

PLUGIN_FOLDER = os.path.dirname(__file__)
EXECUTABLE_SETTING = "KESTRIX_EXECUTABLE"

# The layers a run writes, as (output name, layer name, geometry), in the order
# they are loaded. The MIKE 11 network layers come from MIKE 11 runs only.
SECTION_LAYERS = [("XS_LAYER", "1d_xs", QgsProcessing.TypeVectorLine),
                  ("BED_POINTS", "_xs_bed_points", QgsProcessing.TypeVectorPoint),
                  ("ALL_POINTS", "_xs_all_points", QgsProcessing.TypeVectorPoint)]
NETWORK_LAYERS = [("NWK_LAYER", "1d_nwk", QgsProcessing.TypeVectorLine),
                  ("BRANCHES", "1d_branches", QgsProcessing.TypeVectorLine)]

SAVEDATE_CHOICES = ["error", "warning", "off"]
# The array sizes and their defaults in Kestrix: (parameter, option, description, default).
DIMENSIONS = [("MXS", "-mxs", "Most cross-sections (-mxs)", 10000),
              ("MPT", "-mpt", "Most points in one group of a section (-mpt)", 1000),
              ("MLP", "-mlp", "Most vertices of a projection line (-mlp)", 20)]


def configured_executable():
    """The executable path set in the Processing options, or an empty string."""
    try:
        from processing.core.ProcessingConfig import ProcessingConfig
        return ProcessingConfig.getSetting(EXECUTABLE_SETTING) or ""
    except ImportError:
        return ""


def _advanced(parameter):
    parameter.setFlags(parameter.flags() | QgsProcessingParameterDefinition.FlagAdvanced)
    return parameter


class KestrixAlgorithm(QgsProcessingAlgorithm):
    """What the three algorithms share: the output options, the run and its results."""

    # The resistance options of the mode, as (option, description); the first is the default.
    RESISTANCE = [("-M", "Materials, 1000 times n (-M)"), ("-N", "Manning's n (-N)")]
    DIMENSIONS_USED = ("MXS", "MPT")

    def icon(self):
        return QIcon(os.path.join(PLUGIN_FOLDER, "icon.svg"))

    def group(self):
        return ""

    def groupId(self):
        return ""

    def createInstance(self):
        return type(self)()

    def add_resistance(self):
        self.addParameter(QgsProcessingParameterEnum(
            "RESISTANCE", "Resistance values", [text for _, text in self.RESISTANCE], defaultValue=0))

    def add_output_parameters(self):
        for name, option, description, default in DIMENSIONS:
            if name in self.DIMENSIONS_USED:
                self.addParameter(_advanced(QgsProcessingParameterNumber(
                    name, description, QgsProcessingParameterNumber.Integer, default, minValue=1)))
        self.addParameter(QgsProcessingParameterBoolean(
            "HTML", "Write the HTML report (-html)", defaultValue=False))
        self.addParameter(QgsProcessingParameterBoolean(
            "GPKG", "Also write the layers into kestrix_layers.gpkg (-gpkg)",
            defaultValue=False))
        self.addParameter(QgsProcessingParameterFolderDestination("OUTPUT", "Output folder (-out:)"))
        for name, layer, kind in self.output_layers():
            self.addOutput(QgsProcessingOutputVectorLayer(name, layer, kind))
        self.addOutput(QgsProcessingOutputFile("REPORT", "HTML report"))
        self.addOutput(QgsProcessingOutputFile("GEOPACKAGE", "GeoPackage of the layers"))
        self.addOutput(QgsProcessingOutputNumber("SECTIONS", "Cross-sections written"))

    def output_layers(self):
        return SECTION_LAYERS

    def common_options(self, parameters, context):
        options = [self.RESISTANCE[self.parameterAsEnum(parameters, "RESISTANCE", context)][0]]
        for name, option, _, default in DIMENSIONS:
            if name in self.DIMENSIONS_USED:
                value = self.parameterAsInt(parameters, name, context)
                if value != default:
                    options.append("%s%d" % (option, value))
        if self.parameterAsBoolean(parameters, "HTML", context):
            options.append("-html")
        if self.parameterAsBoolean(parameters, "GPKG", context):
            options.append("-gpkg")
        return options

    def arguments(self, parameters, context, files, feedback):
        """The mode's options and input files, and how many "Reading" lines the
        run prints; `files` makes MIF/MID files of QGIS layers."""
        raise NotImplementedError

    def prepareAlgorithm(self, parameters, context, feedback):
        # Layers are written out here, on the main thread, where a project
        # layer (a scratch layer with its edits above all) may be read; the run
        # itself then goes on Processing's thread, where Cancel reaches it.
        self.output = self.parameterAsString(parameters, "OUTPUT", context)
        if not self.output:
            raise QgsProcessingException("No output folder was given.")
        self.output = os.path.abspath(self.output)
        # Layers written out for Kestrix go to a folder of their own, never
        # into the output folder.
        self.scratch = tempfile.mkdtemp(prefix="kestrix-inputs-", dir=QgsProcessingUtils.tempFolder())
        try:
            files = LayerFiles(self.scratch, context, feedback)
            options, inputs, self.readings = self.arguments(parameters, context, files, feedback)
            executable = runner.find_executable(configured_executable(), PLUGIN_FOLDER)
            self.command = [executable, "-batch", "-quiet"] + options + self.common_options(parameters, context)
            self.command += ["-out:" + self.output] + inputs
        except Exception:
            shutil.rmtree(self.scratch, ignore_errors=True)
            raise
        return True

    def processAlgorithm(self, parameters, context, feedback):
        try:
            result = runner.run_kestrix(self.command, self.output, feedback, self.readings)
        except (runner.KestrixCanceled, runner.KestrixFailed) as failure:
            raise QgsProcessingException(str(failure))
        finally:
            shutil.rmtree(self.scratch, ignore_errors=True)
        return self.results(self.output, result, context)

    def results(self, output, result, context):
        results = {"OUTPUT": output, "SECTIONS": result.summary.get("cross-sections written (.csv files)", 0)}
        for name, layer, _ in self.output_layers():
            path = os.path.join(output, layer + ".mif")
            if os.path.isfile(path):
                results[name] = path
                details = QgsProcessingContext.LayerDetails(layer, context.project(), name)
                context.addLayerToLoadOnCompletion(path, details)
        # Only a report this run wrote: the folder may hold one of an earlier run.
        if "-html" in self.command:
            results["REPORT"] = os.path.join(output, "kestrix_report.html")
        if "-gpkg" in self.command:
            results["GEOPACKAGE"] = os.path.join(output, "kestrix_layers.gpkg")
        return results


class SurveyAlgorithm(KestrixAlgorithm):
    """GIS mode: sections from surveyed points and, optionally, start or projection lines."""

    DIMENSIONS_USED = ("MXS", "MPT", "MLP")
    RESISTANCE = [("-M", "Material numbers (-M)"), ("-N", "Manning's n (-N)"),
                  ("-N2M", "Manning's n, written as materials 1000 n (-N2M)"),
                  ("-R", "Relative resistances (-R)")]

    def name(self):
        return "survey"

    def displayName(self):
        return "Build sections from a survey (GIS)"

    def shortHelpString(self):
        return ("Builds one .csv cross-section file per section from surveyed points with the fields "
                "Z, MNR, LCR and XS_ID (by name, else the first four fields; Z from the points' own Z "
                "when there is no Z field), and the layers 1d_xs, _xs_bed_points and _xs_all_points. "
                "Lines whose XS_ID names a section fix where it starts; with -ppol the points are "
                "projected onto them. Layers that are not MIF/MID files are handed to Kestrix as "
                "temporary MIF/MID files.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterVectorLayer(
            "POINTS", "Survey points", [QgsProcessing.TypeVectorPoint, QgsProcessing.TypeVectorAnyGeometry]))
        self.addParameter(QgsProcessingParameterVectorLayer(
            "LINES", "Start or projection lines", [QgsProcessing.TypeVectorLine], optional=True))
        self.addParameter(_advanced(QgsProcessingParameterMultipleLayers(
            "MORE", "Further survey layers", QgsProcessing.TypeVectorAnyGeometry, optional=True)))
        self.add_resistance()
        self.addParameter(QgsProcessingParameterBoolean(
            "PPOL", "Project the points onto their lines (-ppol)", defaultValue=False))
        self.addParameter(QgsProcessingParameterEnum(
            "SAVEDATE", "MapInfo table (.tab) check of MIF/MID inputs (-savedate:)", SAVEDATE_CHOICES,
            defaultValue=1))
        self.add_output_parameters()

    def arguments(self, parameters, context, files, feedback):
        layers = [self.parameterAsVectorLayer(parameters, "POINTS", context)]
        lines = self.parameterAsVectorLayer(parameters, "LINES", context)
        if lines is not None:
            layers.append(lines)
        layers += self.parameterAsLayerList(parameters, "MORE", context)
        inputs = []
        for layer in layers:
            for path in files.survey(layer):
                if path not in inputs:
                    inputs.append(path)
        savedate = SAVEDATE_CHOICES[self.parameterAsEnum(parameters, "SAVEDATE", context)]
        if files.exported and savedate != "off":
            # Written-out layers have no MapInfo table to check, and the check
            # is one for the whole run.
            feedback.pushInfo("The save-date check is off: layers were written out for Kestrix.")
            savedate = "off"
        options = ["-savedate:" + savedate]
        if self.parameterAsBoolean(parameters, "PPOL", context):
            options.append("-ppol")
        # Every layer is read once for its points and once for its lines.
        return options, inputs, 2 * len(inputs)


class IsisAlgorithm(KestrixAlgorithm):
    """ISIS mode: the river sections of ISIS .dat/.asc files."""

    def name(self):
        return "isis"

    def displayName(self):
        return "Convert an ISIS model"

    def shortHelpString(self):
        return ("Converts the river sections of ISIS .dat or .asc files (with plan coordinates) into "
                ".csv cross-section files and the layers 1d_xs, _xs_bed_points and _xs_all_points, in "
                "the map projection of the projection layer.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterVectorLayer(
            "PROJECTION", "Layer giving the map projection", [QgsProcessing.TypeVector]))
        self.addParameter(QgsProcessingParameterMultipleLayers(
            "MODEL", "ISIS .dat or .asc files", QgsProcessing.TypeFile))
        self.add_resistance()
        self.add_output_parameters()

    def arguments(self, parameters, context, files, feedback):
        projection = self.parameterAsVectorLayer(parameters, "PROJECTION", context)
        models = self.parameterAsFileList(parameters, "MODEL", context)
        return ["-isis"], [files.projection(projection)] + models, len(models)


class Mike11Algorithm(KestrixAlgorithm):
    """MIKE 11 mode: the cross-sections of a MIKE 11 model, placed on its network."""

    def name(self):
        return "mike11"

    def displayName(self):
        return "Convert a MIKE 11 model"

    def shortHelpString(self):
        return ("Converts the cross-sections of MIKE 11 .txt files into .csv cross-section files, "
                "placed across their branches at their chainage from the .nwk11 network and with the "
                "bed resistance of the .hd11 file, and writes the layers 1d_xs, _xs_bed_points, "
                "_xs_all_points, 1d_nwk and 1d_branches.")

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterVectorLayer(
            "PROJECTION", "Layer giving the map projection", [QgsProcessing.TypeVector]))
        self.addParameter(QgsProcessingParameterMultipleLayers(
            "SECTIONS_TXT", "Cross-section .txt files", QgsProcessing.TypeFile))
        self.addParameter(QgsProcessingParameterFile(
            "NWK11", "Network file (.nwk11)", extension="nwk11"))
        self.addParameter(QgsProcessingParameterFile(
            "HD11", "HD parameter file (.hd11)", extension="hd11"))
        self.add_resistance()
        self.addParameter(QgsProcessingParameterBoolean(
            "BEDM", "The .hd11 resistance values are Manning's M (-bedm)", defaultValue=False))
        self.addParameter(QgsProcessingParameterBoolean(
            "TRIM", "Leave out the points beyond the left and right markers (-trim)", defaultValue=False))
        self.add_output_parameters()

    def output_layers(self):
        return SECTION_LAYERS + NETWORK_LAYERS

    def arguments(self, parameters, context, files, feedback):
        projection = self.parameterAsVectorLayer(parameters, "PROJECTION", context)
        sections = self.parameterAsFileList(parameters, "SECTIONS_TXT", context)
        model = [self.parameterAsFile(parameters, "NWK11", context),
                 self.parameterAsFile(parameters, "HD11", context)]
        options = ["-m11"]
        if self.parameterAsBoolean(parameters, "BEDM", context):
            options.append("-bedm")
        if self.parameterAsBoolean(parameters, "TRIM", context):
            options.append("-trim")
        return options, [files.projection(projection)] + sections + model, len(sections) + 2
