# Kestrix Processing provider for QGIS.
# SPDX-License-Identifier: GPL-2.0-or-later
"""Runs the Kestrix executable and relays its console to a Processing feedback.

This module needs nothing from QGIS beyond the feedback object it is given
(pushConsoleInfo, pushInfo, pushWarning, reportError, setProgress,
setProgressText, isCanceled), so the run itself can be tried without QGIS.
"""

import glob
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import threading

# How long a run asked to stop may take to end before it is killed.
STOP_GRACE_SECONDS = 5.0
# How often a running Kestrix is checked for Cancel and for new console lines.
POLL_SECONDS = 0.05

_READING = re.compile(r"^Reading .* from ")
_SUMMARY = re.compile(r"^Summary: (.*?): (\d+)")


class KestrixFailed(Exception):
    """A run that did not end with "Finished.": the message holds its ERROR lines."""


class KestrixCanceled(Exception):
    """A run stopped because the user pressed Cancel."""


def find_executable(configured, plugin_folder):
    """The Kestrix executable to run: the configured path when one is set, else
    the one shipped in the plugin's folder (or its bin folder, where the Windows
    package puts it), else `kestrix` on the PATH."""
    if configured:
        return configured
    name = "kestrix.exe" if sys.platform == "win32" else "kestrix"
    for shipped in (os.path.join(plugin_folder, name), os.path.join(plugin_folder, "bin", name)):
        if os.path.isfile(shipped):
            return shipped
    return shutil.which("kestrix") or "kestrix"


class RunResult:
    """What a finished run reported: its console lines and Summary counts."""

    def __init__(self, lines, summary):
        self.lines = lines
        self.summary = summary


def _reader(stream, lines):
    # The console is read on its own thread so that Cancel is seen at once even
    # while Kestrix prints nothing (it writes its outputs silently).
    for raw in iter(stream.readline, b""):
        lines.put(raw.decode("utf-8", errors="replace").rstrip("\r\n"))
    lines.put(None)


def _stop(process):
    """Asks a run to stop as an interrupt from the console would, then kills it
    when it does not end in time."""
    try:
        if sys.platform == "win32":
            process.send_signal(signal.CTRL_BREAK_EVENT)
        else:
            process.send_signal(signal.SIGINT)
        process.wait(STOP_GRACE_SECONDS)
    except (OSError, subprocess.TimeoutExpired):
        process.kill()
        process.wait()


def remove_leftovers(folder, pid):
    """Removes the temporary outputs (`.kestrix-<pid>-*.tmp`) that the ended run
    of process `pid` left in `folder`; they are that dead run's alone. A run
    killed while putting its outputs in place leaves its journal
    (`.kestrix-<pid>.commit`): then nothing is touched, since the journal reads
    a temporary file that is gone as one already in place, and the next run
    into the folder puts it right from the journal and its backups."""
    removed = []
    if os.path.exists(os.path.join(folder, ".kestrix-%d.commit" % pid)):
        return removed
    for path in glob.glob(os.path.join(glob.escape(folder), ".kestrix-%d-*.tmp" % pid)):
        try:
            os.remove(path)
            removed.append(path)
        except OSError:
            pass
    return removed


class Progress:
    """Turns console lines into progress: the input files read make the first
    90 per cent, the summary the rest."""

    def __init__(self, feedback, inputs_expected):
        self.feedback = feedback
        self.expected = max(1, inputs_expected)
        self.read = 0

    def line(self, text):
        if _READING.match(text):
            self.read += 1
            self.feedback.setProgressText(text.rstrip("."))
            self.feedback.setProgress(min(90.0, 90.0 * self.read / self.expected))
            if self.read == self.expected:
                # Kestrix prints nothing more until its outputs are written.
                self.feedback.setProgressText("Writing the cross-sections and layers")
        elif text.startswith("Summary: cross-sections "):
            self.feedback.setProgressText(text[len("Summary: "):])
            self.feedback.setProgress(95.0)
        elif text == "Finished.":
            self.feedback.setProgress(100.0)


def relay(feedback, text):
    """Shows one console line in the algorithm's log, errors and warnings as such."""
    if text.startswith("ERROR"):
        feedback.reportError(text, False)
    elif text.startswith("WARNING"):
        feedback.pushWarning(text)
    elif text.startswith("Summary: ") or text == "Finished.":
        feedback.pushInfo(text)
    elif text:
        feedback.pushConsoleInfo(text)


def run_kestrix(command, output_folder, feedback, inputs_expected):
    """Runs `command` (the executable and its arguments, `-batch` among them),
    relaying its console to `feedback`. Returns a RunResult after exit status 0;
    raises KestrixCanceled when Cancel stopped it and KestrixFailed for any other
    end. Either way no temporary output of the run is left in `output_folder`,
    and a folder the run created and left empty is removed."""
    folder_existed = os.path.isdir(output_folder)
    feedback.pushCommandInfo(subprocess.list2cmdline(command))
    options = {}
    if sys.platform == "win32":
        # Its own process group, so that Ctrl+Break reaches Kestrix alone, and
        # no console window of its own.
        options["creationflags"] = subprocess.CREATE_NEW_PROCESS_GROUP | 0x08000000
    try:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, **options)
    except OSError as error:
        raise KestrixFailed('Kestrix could not be started ("%s"): %s. Set its path in the '
                            'Processing options (Providers, Kestrix).' % (command[0], error))
    lines = queue.Queue()
    reader = threading.Thread(target=_reader, args=(process.stdout, lines), daemon=True)
    reader.start()
    progress = Progress(feedback, inputs_expected)
    seen, errors, summary = [], [], {}
    canceled = False
    ended = False
    while not ended:
        if feedback.isCanceled():
            canceled = True
            _stop(process)
            break
        try:
            text = lines.get(timeout=POLL_SECONDS)
        except queue.Empty:
            continue
        while text is not None:
            seen.append(text)
            relay(feedback, text)
            progress.line(text)
            if text.startswith("ERROR"):
                errors.append(text)
            found = _SUMMARY.match(text)
            if found:
                summary[found.group(1)] = int(found.group(2))
            try:
                text = lines.get_nowait()
            except queue.Empty:
                break
        else:
            ended = True
    status = process.wait()
    reader.join(1.0)
    process.stdout.close()
    if status == 0 and not canceled:
        return RunResult(seen, summary)
    if os.path.isdir(output_folder):
        removed = remove_leftovers(output_folder, process.pid)
        if removed:
            feedback.pushInfo("Removed the %d unfinished outputs of the stopped run from %s"
                              % (len(removed), output_folder))
        if not folder_existed and not os.listdir(output_folder):
            os.rmdir(output_folder)
    if canceled:
        raise KestrixCanceled("The Kestrix run was canceled: it wrote nothing.")
    if errors:
        raise KestrixFailed("\n".join(errors))
    if status == 1:
        raise KestrixFailed("Kestrix ended without finishing (exit status 1); see the log.")
    raise KestrixFailed("Kestrix ended abnormally (exit status %d); see the log." % status)
