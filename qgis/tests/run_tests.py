#!/usr/bin/env python3
# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Starts a headless QGIS with Processing and the Kestrix provider, runs the
tests of this folder (or those named on the command line, as module names)
and ends with the line "N passed, N failed".

The Kestrix executable is taken from KESTRIX_EXECUTABLE; QGIS's settings go
to a scratch profile, never the user's.
"""

import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.path.append("/usr/share/qgis/python/plugins")
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from qgis.core import QgsApplication  # noqa: E402


def main():
    profile = tempfile.mkdtemp(prefix="kestrix-qgis-profile-")
    app = QgsApplication([], True, profile)
    app.initQgis()
    try:
        from processing.core.Processing import Processing
        Processing.initialize()
        # Through the entry point QGIS itself calls.
        import kestrix_processing
        plugin = kestrix_processing.classFactory(None)
        plugin.initProcessing()
        from processing.core.ProcessingConfig import ProcessingConfig
        ProcessingConfig.setSettingValue("KESTRIX_EXECUTABLE", os.environ.get("KESTRIX_EXECUTABLE", ""))

        loader = unittest.TestLoader()
        if len(sys.argv) > 1:
            suite = loader.loadTestsFromNames(sys.argv[1:])
        else:
            suite = loader.discover(HERE, pattern="test_*.py")
        result = unittest.TextTestRunner(verbosity=2).run(suite)
        failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
        passed = result.testsRun - failed - len(result.skipped)
        if result.skipped:
            print("%d skipped" % len(result.skipped))
        print("%d passed, %d failed" % (passed, failed))
        plugin.unload()
        return 0 if failed == 0 and passed > 0 else 1
    finally:
        shutil.rmtree(profile, ignore_errors=True)
        app.exitQgis()


if __name__ == "__main__":
    status = main()
    # Python's own clean-up of the Qt objects left after exitQgis() can crash
    # (a known trait of headless PyQGIS); the status is decided by now.
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(status)
