#!/usr/bin/env python3
"""The geometry viewer alone in zarv-tagedit on the demo's Crate, whose six faces have six
colours: seen head-on it shows one face; dragging the "Rotate" button turns it so that three
faces show, each a colour of its own.

Usage: geometry_viewer_test.py BUILD_DIR   (run under xvfb-run)
"""
import os
import shutil
import sys
import tempfile
import time

from tagedit_lib import TagEditor, guide_shot, run

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="zarv-geom.")
GAME = os.path.join(WORK, "game")
# The viewer opens at the window's top left; "Pan", "Rotate" and "Zoom" sit at its top right.
ROTATE = (389, 45)
VIEW = "380x380+20+50"  # the drawing area below the counts


def face_colours(window):
    """Colours covering at least 2 % of the view, other than the background and the text."""
    ppm = run("import", "-window", window, "-crop", VIEW, "-depth", "8", "ppm:-").stdout
    header = ppm.split(b"\n", 3)
    pixels = header[3]
    counts = {}
    for i in range(0, len(pixels) - 2, 3):
        r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
        if max(r, g, b) - min(r, g, b) > 60 or min(r, g, b) > 200:
            counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    return sum(1 for n in counts.values() if n * 50 >= len(pixels) // 3)


try:
    run(os.path.join(BUILD, "zarv-tool"), "make-demo", GAME)
    editor = TagEditor(BUILD, WORK, GAME, "geom", "Crat")
    editor.start()
    time.sleep(1)
    before = face_colours(editor.window)
    run("xdotool", "mousemove", "--window", editor.window, *ROTATE, "mousedown", "1")
    for step in range(1, 9):
        run("xdotool", "mousemove", "--window", editor.window, ROTATE[0] + 5 * step,
            ROTATE[1] + 4 * step)
        time.sleep(0.05)
    run("xdotool", "mouseup", "1")
    time.sleep(1)
    after = face_colours(editor.window)
    guide_shot(editor.window, "geometry-viewer", "424x450+0+0")
    run("xdotool", "key", "ctrl+w")
    if not editor.finish():
        sys.exit("FAIL: zarv-tagedit did not end after the viewer closed")
    if before != 1 or after != 3:
        sys.exit(f"FAIL: {before} face colour(s) head-on and {after} after Rotate, not 1 and 3")
    print("geometry viewer: one face head-on, three after dragging Rotate")
finally:
    shutil.rmtree(WORK, ignore_errors=True)
