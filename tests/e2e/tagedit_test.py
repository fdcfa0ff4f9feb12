#!/usr/bin/env python3
"""zarv-tagedit on a demo unit under a virtual X server, driven by xdotool: a typed hit-point
value saved with "OK" shows in `zarv-tool struct dump` and nothing else of the record changes; a
"Cancel" after typing saves nothing; a nested editor is reported with its controls; a tag that cannot be opened ends it with status 1 and a
reason.

Usage: tagedit_test.py BUILD_DIR   (run under xvfb-run, on a screen at least 1280 x 1200)
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="zarv-tagedit.")
TOOL = os.path.join(BUILD, "zarv-tool")
DEFS = os.path.join(BUILD, "res", "structs")
GAME = os.path.join(WORK, "game")
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def run(*args, check=True):
    result = subprocess.run([str(a) for a in args], capture_output=True, timeout=60)
    if check and result.returncode != 0:
        raise RuntimeError(f"{args} exited {result.returncode}: {result.stderr.decode()}")
    return result


def paths(tag_file):
    out = run(TOOL, "struct", "dump", "--defs", DEFS, tag_file, "--paths").stdout.decode()
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


class TagEditor:
    """A running zarv-tagedit; its JSON lines arrive on a thread and are waited for."""

    def __init__(self, group, tag_id):
        app = os.path.join(WORK, "app")
        if not os.path.isdir(app):
            os.makedirs(app)
            shutil.copy(os.path.join(BUILD, "zarv-tagedit"), app)
            shutil.copytree(os.path.join(BUILD, "res"), os.path.join(app, "res"))
        # The whole unit editor fits a small screen.
        with open(os.path.join(app, "res", "prefs.txt"), "w") as prefs:
            prefs.write("OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\n")
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
        self.process = subprocess.Popen(
            [os.path.join(app, "zarv-tagedit"), "--game", GAME, "--group", group, "--id", tag_id],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        self.lines = []
        self.seen = 0
        self.lock = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            with self.lock:
                self.lines.append(json.loads(raw))
                self.lock.notify_all()

    def wait(self, event, timeout=30):
        deadline = time.time() + timeout
        with self.lock:
            while True:
                for i in range(self.seen, len(self.lines)):
                    if self.lines[i]["event"] == event:
                        self.seen = i + 1
                        return self.lines[i]
                left = deadline - time.time()
                if left <= 0 or self.process.poll() is not None and self.seen >= len(self.lines):
                    raise RuntimeError(f"no {event} line; lines: {self.lines}; stderr: "
                                       + self.process.stderr.read().decode())
                self.lock.wait(min(left, 0.5))

    def start(self):
        self.controls = self.wait("ready", 60)["controls"]
        window = run("xdotool", "search", "--name", "^Zarv Tag Editor$").stdout.split()[0]
        self.window = window.decode()
        run("xdotool", "windowfocus", "--sync", self.window)
        time.sleep(0.5)

    def click(self, key):
        left, top, right, bottom = self.controls[key]
        run("xdotool", "mousemove", "--window", self.window, (left + right) // 2,
            (top + bottom) // 2, "click", "1")
        time.sleep(0.3)

    def type_into(self, key, text):
        self.click(key)
        run("xdotool", "key", "ctrl+a")
        run("xdotool", "type", "--delay", "50", text)
        time.sleep(0.3)

    def finish(self):
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail("zarv-tagedit did not end after its editor closed")


def main():
    run(TOOL, "make-demo", GAME)
    unpacked = os.path.join(WORK, "unpacked")
    for archive in glob.glob(os.path.join(GAME, "tags", "*")):
        run(TOOL, "unpack", archive, unpacked)
    before = paths(os.path.join(unpacked, "units", "Warrior"))
    hp = str(int(before["hp"]) + 17)

    # Typing then "Cancel": nothing saved. On the way, the origin's nested editor opens as a
    # modal window with its own controls, reported as a modal line, and is cancelled.
    editor = TagEditor("unit", "warr")
    editor.start()
    editor.click("origin")
    modal = editor.wait("modal")
    if modal["title"] != "Origin..." or not {"x", "y", "OK", "Cancel"} <= set(modal["controls"]):
        fail(f"the origin's editor came as {modal}")
    else:
        nested = editor.controls
        editor.controls = modal["controls"]
        editor.type_into("x", "3")
        editor.click("Cancel")
        editor.controls = nested
    editor.type_into("hp", hp)
    editor.click("Cancel")
    editor.wait("exit")
    editor.finish()
    if os.path.exists(os.path.join(GAME, "local", "units")):
        fail("Cancel saved the unit: " + str(os.listdir(os.path.join(GAME, "local", "units"))))

    # Typing then "OK": the value is saved, everything else as it was.
    editor = TagEditor("unit", "warr")
    editor.start()
    for key in ("hp", "OK", "Cancel", "attacks", "attacks/Add", "armor[2]", "flags:1"):
        if key not in editor.controls:
            fail(f"the ready line lacks the control {key}")
    editor.type_into("hp", hp)
    editor.click("OK")
    saved = editor.wait("saved")["file"]
    editor.wait("exit")
    editor.finish()
    after = paths(os.path.join(GAME, saved))
    if after.get("hp") != hp:
        fail(f"hp after OK is {after.get('hp')}, typed {hp}")
    changed = {k for k in before if before[k] != after.get(k)} - {"hp"}
    if changed:
        fail("OK changed more than the typed field: " + ", ".join(sorted(changed)))

    # A tag the index does not hold: refused at once, with the reason.
    editor = TagEditor("unit", "none")
    editor.process.wait(timeout=30)
    if editor.process.returncode != 1:
        fail(f"a missing tag ended with status {editor.process.returncode}, not 1")
    if b"no tag" not in editor.process.stderr.read():
        fail("a missing tag gave no reason on standard error")


try:
    main()
except Exception as error:  # noqa: BLE001 - any failure is the test's failure
    fail(str(error))
finally:
    shutil.rmtree(WORK, ignore_errors=True)
sys.exit(1 if failures else 0)
