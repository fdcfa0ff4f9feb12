#!/usr/bin/env python3
"""The dialog and text editors alone in zarv-tagedit under a virtual X server, driven by xdotool.
On the demo's main menu: a screenshot shows the controls' white outlines where their rectangles
put them; Ctrl+drag moves one, drawn orange; Ctrl+A and "OK" in "Edit Control Data" add a
Button; Ctrl+Z and Ctrl+Y take both back and redo them; Ctrl+S saves, and `zarv-tool dialog dump` shows both changes. On a script: lines typed
are saved with carriage-return ends. Screenshots stay in BUILD_DIR/e2e-artifacts/.

Usage: dialog_editor_test.py BUILD_DIR   (run under xvfb-run)
"""
import json
import os
import shutil
import sys
import tempfile
import time

from tagedit_lib import TagEditor, guide_shot, run

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="zarv-dialog.")
TOOL = os.path.join(BUILD, "zarv-tool")
GAME = os.path.join(WORK, "game")
SHOTS = os.path.join(BUILD, "e2e-artifacts")
MARGIN = 16  # the dialog's top-left corner sits this far into the canvas
WHITE, ORANGE = (255, 255, 255), (255, 127, 0)
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def screenshot(editor, name):
    """The OS window's pixels as a function of (x, y), and a PNG kept for a look."""
    os.makedirs(SHOTS, exist_ok=True)
    png = os.path.join(SHOTS, f"dialog_editor-{name}.png")
    run("import", "-window", editor.window, "-depth", "8", png)
    ppm = run("convert", png, "ppm:-").stdout
    header = ppm.split(b"\n", 3)
    width = int(header[1].split()[0])
    pixels = header[3]
    return lambda x, y: tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])


def dump(tag_file):
    return json.loads(run(TOOL, "dialog", "dump", "--json", tag_file).stdout)


def check_outline(pixel, canvas, rect, colour, what):
    """The left and right edges of a control's outline, half-way down, in `colour`."""
    left, top, right, bottom = rect
    y = canvas[1] + MARGIN + (top + bottom) // 2
    for x in (canvas[0] + MARGIN + left, canvas[0] + MARGIN + right - 1):
        if pixel(x, y) != colour:
            fail(f"{what}: the pixel at ({x}, {y}) is {pixel(x, y)}, not {colour}")


def rect_of(control):
    return (control["left"], control["top"], control["right"], control["bottom"])


def dialog_editor():
    tag_file = os.path.join(GAME, "local", "dialogs", "Main Menu")
    before = dump(tag_file)
    by_text = {c["text"]: c for c in before["controls"]}
    editor = TagEditor(BUILD, WORK, GAME, "bina", "main")
    editor.start()
    if not {"canvas", "info"} <= set(editor.controls):
        fail(f"the ready line lacks canvas and info: {editor.controls}")
        return
    canvas = editor.controls["canvas"]
    time.sleep(0.5)
    pixel = screenshot(editor, "open")
    for text in ("New Game", "Load Game", "Quit"):
        check_outline(pixel, canvas, rect_of(by_text[text]), WHITE, text)

    # Ctrl held, "Load Game" dragged 30 right and 20 down.
    left, top, right, bottom = rect_of(by_text["Load Game"])
    x, y = canvas[0] + MARGIN + (left + right) // 2, canvas[1] + MARGIN + (top + bottom) // 2
    run("xdotool", "mousemove", "--window", editor.window, x, y)
    run("xdotool", "keydown", "ctrl")
    time.sleep(0.2)
    run("xdotool", "mousedown", "1")
    for step in range(1, 7):
        run("xdotool", "mousemove", "--window", editor.window, x + 5 * step, y + round(step * 10 / 3))
        time.sleep(0.05)
    run("xdotool", "mouseup", "1")
    run("xdotool", "keyup", "ctrl")
    time.sleep(0.5)
    moved = (left + 30, top + 20, right + 30, bottom + 20)
    pixel = screenshot(editor, "dragged")
    guide_shot(editor.window, "dialog-editor", "916x578+0+0")
    check_outline(pixel, canvas, moved, ORANGE, "the dragged Load Game")

    # Ctrl+A over an empty spot between Options and Quit, then "OK".
    ax, ay = 140, 350
    run("xdotool", "mousemove", "--window", editor.window, canvas[0] + MARGIN + ax,
        canvas[1] + MARGIN + ay)
    time.sleep(0.2)
    run("xdotool", "key", "ctrl+a")
    modal = editor.wait("modal")
    wanted = {"id", "type", "tag", "text", "OK", "Cancel"}
    if modal["title"] != "Edit Control Data" or not wanted <= set(modal["controls"]):
        fail(f"Ctrl+A brought up {modal}")
        return
    editor.controls = modal["controls"]
    editor.click("OK")
    editor.controls = {"canvas": canvas}
    time.sleep(0.3)
    screenshot(editor, "added")
    # Ctrl+Z twice takes back the add and the drag (Load Game, selected, back in place);
    # Ctrl+Y twice brings both back for the save below.
    run("xdotool", "key", "ctrl+z", "ctrl+z")
    time.sleep(0.3)
    check_outline(screenshot(editor, "undone"), canvas, (left, top, right, bottom), ORANGE,
                  "Load Game after two undos")
    run("xdotool", "key", "ctrl+y", "ctrl+y")
    time.sleep(0.3)
    run("xdotool", "key", "ctrl+s")
    saved = os.path.join(GAME, editor.wait("saved")["file"])
    run("xdotool", "key", "ctrl+w")
    editor.wait("exit")
    if not editor.finish():
        fail("zarv-tagedit did not end after the dialog editor closed")

    after = dump(saved)
    got = {c["text"]: c for c in after["controls"]}
    if rect_of(got.get("Load Game", {"left": 0, "top": 0, "right": 0, "bottom": 0})) != moved:
        fail(f"Load Game was saved at {got.get('Load Game')}, dragged to {moved}")
    added = after["controls"][-1]
    want = {"type": "butt", "type_name": "Button", "id": 13, "left": ax - 50, "top": ay - 25,
            "right": ax + 50, "bottom": ay + 25, "text": ""}
    if len(after["controls"]) != 13 or added != want:
        fail(f"the added control is {added} of {len(after['controls'])}, not {want}")
    rows = run(TOOL, "dialog", "dump", saved).stdout.decode().splitlines()
    if "13 | Button" not in rows or '3 | Button | text:"Load Game"' not in rows:
        fail("dialog dump lists " + " / ".join(rows[11:]))
    print(f"dialog editor: Load Game dragged to {moved}, a Button added at ({ax}, {ay})")


def text_editor():
    editor = TagEditor(BUILD, WORK, GAME, "scri", "camp")
    editor.start()
    if "text" not in editor.controls:
        fail(f"the ready line lacks text: {editor.controls}")
        return
    run("xdotool", "type", "--delay", "60", "wait 5")
    run("xdotool", "key", "Return")
    run("xdotool", "type", "--delay", "60", "say hi")
    run("xdotool", "key", "Return")
    time.sleep(0.3)
    run("xdotool", "key", "ctrl+s")
    saved = os.path.join(GAME, editor.wait("saved")["file"])
    run("xdotool", "key", "ctrl+w")
    editor.wait("exit")
    if not editor.finish():
        fail("zarv-tagedit did not end after the text editor closed")
    with open(saved, "rb") as f:
        data = f.read()[64:]
    want = b"wait 5\rsay hi\r; the local copy wins\rspawn drag 4 4\r"
    if data != want:
        fail(f"the script was saved as {data!r}, not {want!r}")
    shown = run(TOOL, "text", "get", saved).stdout
    if shown != want.replace(b"\r", b"\n"):
        fail(f"text get prints {shown!r}")
    print("text editor: typed lines saved with CR ends")


try:
    run(TOOL, "make-demo", GAME)
    dialog_editor()
    text_editor()
except Exception as error:  # noqa: BLE001 - any failure is the test's failure
    fail(str(error))
finally:
    shutil.rmtree(WORK, ignore_errors=True)
sys.exit(1 if failures else 0)
