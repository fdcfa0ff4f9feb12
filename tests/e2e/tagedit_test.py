#!/usr/bin/env python3
"""zarv-tagedit on a demo unit under a virtual X server, driven by xdotool: a typed hit-point
value saved with "OK" shows in `zarv-tool struct dump` and nothing else of the record changes; a
"Cancel" after typing saves nothing; a nested editor is reported with its controls; a tag that cannot be opened ends it with status 1 and a
reason.

Usage: tagedit_test.py BUILD_DIR   (run under xvfb-run, on a screen at least 1280 x 1200)
"""
import glob
import os
import shutil
import sys
import tempfile

from tagedit_lib import TagEditor, run

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="zarv-tagedit.")
TOOL = os.path.join(BUILD, "zarv-tool")
DEFS = os.path.join(BUILD, "res", "structs")
GAME = os.path.join(WORK, "game")
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def paths(tag_file):
    out = run(TOOL, "struct", "dump", "--defs", DEFS, tag_file, "--paths").stdout.decode()
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def main():
    run(TOOL, "make-demo", GAME)
    unpacked = os.path.join(WORK, "unpacked")
    for archive in glob.glob(os.path.join(GAME, "tags", "*")):
        run(TOOL, "unpack", archive, unpacked)
    before = paths(os.path.join(unpacked, "units", "Warrior"))
    hp = str(int(before["hp"]) + 17)

    # Typing then "Cancel": nothing saved. On the way, the origin's nested editor opens as a
    # modal window with its own controls, reported as a modal line, and is cancelled.
    editor = TagEditor(BUILD, WORK, GAME, "unit", "warr")
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
    if not editor.finish():
        fail("zarv-tagedit did not end after its editor closed")
    if os.path.exists(os.path.join(GAME, "local", "units")):
        fail("Cancel saved the unit: " + str(os.listdir(os.path.join(GAME, "local", "units"))))

    # Typing then "OK": the value is saved, everything else as it was.
    editor = TagEditor(BUILD, WORK, GAME, "unit", "warr")
    editor.start()
    for key in ("hp", "OK", "Cancel", "attacks", "attacks/Add", "armor[2]", "flags:1"):
        if key not in editor.controls:
            fail(f"the ready line lacks the control {key}")
    editor.type_into("hp", hp)
    editor.click("OK")
    saved = editor.wait("saved")["file"]
    editor.wait("exit")
    if not editor.finish():
        fail("zarv-tagedit did not end after its editor closed")
    after = paths(os.path.join(GAME, saved))
    if after.get("hp") != hp:
        fail(f"hp after OK is {after.get('hp')}, typed {hp}")
    changed = {k for k in before if before[k] != after.get(k)} - {"hp"}
    if changed:
        fail("OK changed more than the typed field: " + ", ".join(sorted(changed)))

    # A tag the index does not hold: refused at once, with the reason.
    editor = TagEditor(BUILD, WORK, GAME, "unit", "none")
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
