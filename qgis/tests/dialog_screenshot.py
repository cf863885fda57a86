#!/usr/bin/env python3
# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Makes the picture of the "Build sections from a survey (GIS)" dialog shown
in the README, headless: QT_QPA_PLATFORM=offscreen /usr/bin/python3
qgis/tests/dialog_screenshot.py docs/qgis-dialog.png"""

import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.append("/usr/share/qgis/python/plugins")
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from qgis.core import QgsApplication, QgsProject, QgsVectorLayer  # noqa: E402


def install_iface():
    """A stand-in for the QGIS desktop's interface, which the dialog asks for its
    main window, message bar and map canvas."""
    import qgis.utils
    from qgis.gui import QgsMapCanvas, QgsMessageBar
    from qgis.PyQt.QtWidgets import QMainWindow

    class Interface:
        def __init__(self):
            self.window = QMainWindow()
            self.canvas = QgsMapCanvas(self.window)
            self.bar = QgsMessageBar(self.window)

        def mainWindow(self):
            return self.window

        def mapCanvas(self):
            return self.canvas

        def messageBar(self):
            return self.bar

        def __getattr__(self, name):
            return lambda *args, **kwargs: None

    qgis.utils.iface = Interface()
    import processing.tools.general
    processing.tools.general.iface = qgis.utils.iface


def main(target):
    profile = tempfile.mkdtemp(prefix="kestrix-qgis-profile-")
    app = QgsApplication([], True, profile)
    app.initQgis()
    try:
        from processing.core.Processing import Processing
        Processing.initialize()
        from kestrix_processing.plugin import KestrixPlugin
        plugin = KestrixPlugin()
        plugin.initProcessing()
        for name in ("survey", "start_lines"):
            QgsProject.instance().addMapLayer(
                QgsVectorLayer(os.path.join(ROOT, "examples", name + ".mif"), name, "ogr"))
        install_iface()
        import processing
        dialog = processing.createAlgorithmDialog("kestrix:survey", {
            "POINTS": QgsProject.instance().mapLayersByName("survey")[0],
            "LINES": QgsProject.instance().mapLayersByName("start_lines")[0],
            "RESISTANCE": 1, "HTML": True, "OUTPUT": "/home/modeller/river/sections"})
        dialog.show()
        for _ in range(20):
            app.processEvents()
        dialog.grab().save(target, "PNG", 0)
        dialog.close()
        plugin.unload()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
        app.exitQgis()


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "docs", "qgis-dialog.png"))
