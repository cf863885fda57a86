# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Kestrix river cross-sections as QGIS Processing algorithms."""


def classFactory(iface):
    """The entry point QGIS calls when it loads the plugin."""
    from .plugin import KestrixPlugin
    return KestrixPlugin(iface)
