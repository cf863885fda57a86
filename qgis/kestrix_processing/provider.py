# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""The Kestrix provider: its algorithms and the setting that names the executable."""

import os

from qgis.PyQt.QtGui import QIcon
from qgis.core import QgsProcessingProvider

from .algorithms import EXECUTABLE_SETTING, PLUGIN_FOLDER, IsisAlgorithm, Mike11Algorithm, SurveyAlgorithm


class KestrixProvider(QgsProcessingProvider):
    """Kestrix in the Processing toolbox."""

    def id(self):
        return "kestrix"

    def name(self):
        return "Kestrix"

    def longName(self):
        return "Kestrix river cross-sections"

    def icon(self):
        return QIcon(os.path.join(PLUGIN_FOLDER, "icon.svg"))

    def load(self):
        from processing.core.ProcessingConfig import ProcessingConfig, Setting
        ProcessingConfig.settingIcons[self.name()] = self.icon()
        ProcessingConfig.addSetting(Setting(
            self.name(), EXECUTABLE_SETTING,
            "Kestrix executable (empty: the one in the plugin's folder, else kestrix on the PATH)",
            "", valuetype=Setting.FILE))
        ProcessingConfig.readSettings()
        self.refreshAlgorithms()
        return True

    def unload(self):
        from processing.core.ProcessingConfig import ProcessingConfig
        ProcessingConfig.removeSetting(EXECUTABLE_SETTING)

    def loadAlgorithms(self):
        for algorithm in (SurveyAlgorithm(), IsisAlgorithm(), Mike11Algorithm()):
            self.addAlgorithm(algorithm)
