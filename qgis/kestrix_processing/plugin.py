# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""The plugin: it registers the Kestrix provider with Processing."""

from qgis.core import QgsApplication

from .provider import KestrixProvider


class KestrixPlugin:
    """Adds the Kestrix provider when QGIS starts its plugins, removes it on unload."""

    def __init__(self, iface=None):
        self.iface = iface
        self.provider = None

    def initProcessing(self):
        self.provider = KestrixProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):
        self.initProcessing()

    def unload(self):
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
