#!/usr/bin/env python3
"""The gallery in a real window under a virtual X server, driven by xdotool: typing, the
clipboard against xclip, undo, each chooser, the snapshot, the beep and the cursor pictures.

Usage: gallery_test.py BUILD_DIR   (run under xvfb-run)
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

BUILD = os.path.abspath(sys.argv[1])
WORK = tempfile.mkdtemp(prefix="zarv-gallery.")
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def run(*args, stdin=None, check=True):
    result = subprocess.run(args, input=stdin, capture_output=True, timeout=30)
    if check and result.returncode != 0:
        raise RuntimeError(f"{args} exited {result.returncode}: {result.stderr.decode()}")
    return result.stdout


def xdotool(*args):
    run("xdotool", *[str(a) for a in args])


class Gallery:
    """The running gallery: its JSON lines arrive on a thread and are waited for by event."""

    def __init__(self):
        os.makedirs(os.path.join(WORK, "app"))
        shutil.copy(os.path.join(BUILD, "zarv-gallery"), os.path.join(WORK, "app"))
        shutil.copytree(os.path.join(BUILD, "res"), os.path.join(WORK, "app", "res"))
        prefs = os.path.join(WORK, "app", "res", "prefs.txt")
        if os.path.exists(prefs):
            os.remove(prefs)
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
        self.process = subprocess.Popen([os.path.join(WORK, "app", "zarv-gallery")],
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        self.lines = []
        self.lock = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        ready = self.wait(lambda e: e["event"] == "ready", 60, "the ready line")
        self.controls = ready["controls"]
        self.ready = ready
        self.window = run("xdotool", "search", "--name", "^Zarv Gallery$").split()[0].decode()
        xdotool("windowfocus", "--sync", self.window)
        self.seen = len(self.lines)

    def _read(self):
        for raw in self.process.stdout:
            with self.lock:
                self.lines.append(json.loads(raw))
                self.lock.notify_all()

    def wait(self, match, timeout=10, what="an event"):
        """The first line after the ones already looked at that matches."""
        deadline = time.time() + timeout
        with self.lock:
            start = getattr(self, "seen", 0)
            while True:
                for i in range(start, len(self.lines)):
                    if match(self.lines[i]):
                        self.seen = i + 1
                        return self.lines[i]
                left = deadline - time.time()
                if left <= 0:
                    raise RuntimeError(f"no {what} within {timeout} s; lines: {self.lines[start:]}")
                self.lock.wait(left)

    def centre(self, name):
        l, t, r, b = self.controls[name]
        return (l + r) // 2, (t + b) // 2

    def click(self, name, dx=0, dy=0):
        x, y = self.centre(name)
        xdotool("mousemove", "--window", self.window, x + dx, y + dy, "click", "1")

    def key(self, *keys):
        xdotool("key", "--delay", "60", *keys)

    def type(self, text):
        xdotool("type", "--delay", "60", text)

    def text_of(self, name, text, timeout=10):
        return self.wait(lambda e: e["event"] == "text" and e["name"] == name and e["text"] == text,
                         timeout, f"text {text!r} in {name}")

    def modal(self, title):
        return self.wait(lambda e: e["event"] == "modal" and e["title"] == title, 10,
                         f"the modal window {title!r}")


def check(name, step):
    try:
        step()
        print("ok: " + name)
    except Exception as error:  # one failed step does not hide the others
        fail(f"{name}: {error}")


def pattern_crc(width, height):
    rows = bytes(b for y in range(height) for x in range(width)
                 for b in ((7 * x) % 256, (11 * y) % 256, (3 * (x + y)) % 256))
    return "%08x" % zlib.crc32(rows)


def png_rgb(path):
    """Width, height and the RGB rows of a PNG, through ImageMagick."""
    out = run("convert", path, "-depth", "8", "rgb:-")
    size = run("identify", "-format", "%w %h", path).split()
    return int(size[0]), int(size[1]), out


def main():
    watcher = subprocess.Popen([os.path.join(BUILD, "zarv_xwatch"), "bells", "120"],
                               stdout=subprocess.PIPE, text=True)
    assert watcher.stdout.readline().strip() == "watching"
    bells = []
    threading.Thread(target=lambda: [bells.append(l) for l in watcher.stdout], daemon=True).start()

    g = Gallery()
    for name in ["gallery", "label", "readonly", "integer", "number", "longtext", "line",
                 "editor", "save-image", "open-image", "open-images", "folder-image", "colour",
                 "copy-image", "paste-image", "dialog", "ask", "push", "check", "swatch", "splitter", "view",
                 "tabs", "combo", "list", "grid"]:
        if name not in g.controls:
            fail(f"the ready line lacks {name}")
    for name, (l, t, r, b) in g.controls.items():
        if not (0 <= l < r <= 1024 and 0 <= t < b <= 768):
            fail(f"{name} is not wholly visible at 1024x768: {[l, t, r, b]}")

    def typing_and_undo():
        g.click("line")
        g.type("héllo")
        g.text_of("line", "héllo")
        g.key("ctrl+z")
        g.text_of("line", "héll")
        g.key("ctrl+y")
        g.text_of("line", "héllo")
        g.key("Return")
        g.wait(lambda e: e["event"] == "enter" and e["name"] == "line" and e["value"] == 1)

    def beep_on_refused_input():
        g.click("integer")
        before = len(bells)
        g.type("x")
        deadline = time.time() + 5
        while len(bells) == before and time.time() < deadline:
            time.sleep(0.05)
        if len(bells) == before:
            raise RuntimeError("no bell rang for a letter typed into an integer field")

    def paste_from_xclip():
        owner = subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], stdin=subprocess.PIPE)
        owner.communicate("Grüße ¤".encode(), timeout=10)
        g.click("longtext")
        g.key("ctrl+v")
        g.text_of("longtext", "Grüße ¤")

    def copy_to_xclip():
        g.click("editor")
        g.type("zwölf")
        g.text_of("editor", "zwölf")
        g.key("ctrl+a", "ctrl+c")
        deadline = time.time() + 5
        while True:
            out = run("xclip", "-selection", "clipboard", "-o", check=False).decode("utf-8", "replace")
            if out == "zwölf" or time.time() > deadline:
                break
            time.sleep(0.1)
        if out != "zwölf":
            raise RuntimeError(f"xclip read {out!r}")

    def colour_chooser():
        g.click("colour")
        g.modal("Choose Colour")
        g.type("200")
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "colour")
        if not e["ok"] or e["rgb"] != [200, 128, 192]:
            raise RuntimeError(f"colour event {e}")

    def clicked(name):
        return g.wait(lambda e: e["event"] == "clicked", 10, f"a click of {name}")

    def push_and_check():
        g.click("push")
        e = clicked("push")
        if (e["name"], e["id"], e["state"]) != ("push", 1, 0):
            raise RuntimeError(f"push gave {e}")
        for state in (1, 0):
            time.sleep(0.5)  # apart enough not to make a double click, which buttons ignore
            g.click("check")
            e = clicked("check")
            if (e["name"], e["id"], e["state"]) != ("check", 2, state):
                raise RuntimeError(f"check gave {e}, not state {state}")

    def check_dragged_off():
        # Pressed on the check box, dragged away and released there: no click. The push button
        # clicked afterwards must then be the next click reported.
        x, y = g.centre("check")
        xdotool("mousemove", "--window", g.window, x, y, "mousedown", "1", "sleep", "0.2",
                "mousemove", "--window", g.window, x + 300, y, "sleep", "0.2", "mouseup", "1")
        g.click("push")
        e = clicked("push")
        if e["name"] != "push":
            raise RuntimeError(f"a press dragged off the check box gave {e}")

    def swatch_keeps_alpha():
        g.click("swatch")
        g.modal("Choose Colour")
        g.type("10")
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "swatch", 10, "the swatch's new colour")
        if e["rgba"] != [10, 100, 50, 128]:
            raise RuntimeError(f"swatch event {e}")

    pictures = os.path.join(WORK, "pictures")
    os.makedirs(pictures)
    run("convert", "-size", "5x4", "xc:red", "PNG24:" + os.path.join(pictures, "red.png"))
    run("convert", "-size", "3x2", "xc:blue", "PNG24:" + os.path.join(pictures, "blue.png"))

    def save_chooser():
        g.click("save-image")
        g.modal("Save Image As")
        g.key("ctrl+a")
        g.type(os.path.join(pictures, "shot"))
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "chosen" and e["name"] == "save-image")
        if not e["ok"] or e["paths"] != [os.path.join(pictures, "shot.bmp")]:
            raise RuntimeError(f"chosen {e}")

    def open_chooser():
        g.click("open-image")
        g.modal("Open Image")
        g.key("ctrl+a")
        g.type(os.path.join(pictures, "red.png"))
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "chosen" and e["name"] == "open-image")
        if not e["ok"] or e["paths"] != [os.path.join(pictures, "red.png")]:
            raise RuntimeError(f"chosen {e}")

    def open_several_and_cancel():
        g.click("open-images")
        g.modal("Open Multiple Images")
        g.key("Escape")
        e = g.wait(lambda e: e["event"] == "chosen" and e["name"] == "open-images")
        if e["ok"] or e["paths"]:
            raise RuntimeError(f"a cancelled chooser gave {e}")

    def folder_chooser():
        g.click("folder-image")
        g.modal("Choose Image Folder")
        g.key("ctrl+a")
        g.type(pictures)
        g.key("Return")  # opens the folder
        g.key("Return")  # an empty field selects the folder shown
        e = g.wait(lambda e: e["event"] == "chosen" and e["name"] == "folder-image")
        if not e["ok"] or [p.rstrip("/") for p in e["paths"]] != [pictures]:
            raise RuntimeError(f"chosen {e}")

    def image_clipboard():
        g.click("copy-image")
        e = g.wait(lambda e: e["event"] == "image" and e["name"] == "copy-image")
        if not e["ok"] or e["crc32"] != pattern_crc(37, 23):
            raise RuntimeError(f"copy event {e}")
        out = os.path.join(WORK, "copied.png")
        with open(out, "wb") as f:
            f.write(run("xclip", "-selection", "clipboard", "-t", "image/png", "-o"))
        w, h, rgb = png_rgb(out)
        if (w, h) != (37, 23) or "%08x" % zlib.crc32(rgb) != pattern_crc(37, 23):
            raise RuntimeError(f"xclip got a {w}x{h} image that is not the pattern")
        targets = run("xclip", "-selection", "clipboard", "-t", "TARGETS", "-o").decode()
        if "image/bmp" not in targets:
            raise RuntimeError(f"targets {targets!r}")
        # An outside image pasted in: image/png from xclip.
        owner = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i",
                                  os.path.join(pictures, "red.png")])
        owner.wait(timeout=10)
        g.click("paste-image")
        e = g.wait(lambda e: e["event"] == "image" and e["name"] == "paste-image")
        _, _, red = png_rgb(os.path.join(pictures, "red.png"))
        if not e["ok"] or (e["width"], e["height"]) != (5, 4) or e["crc32"] != "%08x" % zlib.crc32(red):
            raise RuntimeError(f"paste event {e}")

    def snapshot_to_xclip():
        g.click("view")
        g.key("ctrl+F12")
        deadline = time.time() + 5
        out = os.path.join(WORK, "snapshot.png")
        while True:
            data = run("xclip", "-selection", "clipboard", "-t", "image/png", "-o", check=False)
            with open(out, "wb") as f:
                f.write(data)
            size = run("identify", "-format", "%w %h", out, check=False).split()
            if size == [b"1024", b"768"] or time.time() > deadline:
                break
            time.sleep(0.2)
        if size != [b"1024", b"768"]:
            raise RuntimeError(f"the snapshot on the clipboard is {size}")

    def cursor_pictures():
        # The gallery window's bottom-right corner is a diagonal resize: the program's picture.
        l, t, r, b = g.controls["gallery"]
        xdotool("mousemove", "--window", g.window, r - 2, b - 2)
        deadline = time.time() + 5
        while True:
            shown = run(os.path.join(BUILD, "zarv_xwatch"), "cursor").decode().strip()
            if shown.startswith("24x24 hot 12,12") or time.time() > deadline:
                break
            time.sleep(0.1)
        if not shown.startswith("24x24 hot 12,12"):
            raise RuntimeError(f"the corner shows {shown}")

    def view_divider_tabs():
        x, y = g.centre("view")
        xdotool("mousemove", "--window", g.window, x, y, "click", "5")
        e = g.wait(lambda e: e["event"] == "scroll" and e["v"] > 0)
        if e["h"] != 0:
            raise RuntimeError(f"scroll {e}")
        g.click("tabs")
        g.key("ctrl+Tab")
        g.wait(lambda e: e["event"] == "tab" and e["index"] == 1)

    row = g.ready.get("list_row", 0)
    if row <= 0:
        fail("the ready line lacks list_row")
        row = 15

    def list_point(index, column=0, dy=0):
        """The middle of the name (or size) cell of a visible row; the header is the row above
        the first."""
        l, t, r, b = g.controls["list"]
        x = l + (60 if column == 0 else 230)
        return x, t + row * (index + 1) + row // 2 + dy

    def list_selection(current, count):
        return g.wait(lambda e: e["event"] == "selection" and e["name"] == "list" and
                      e["current"] == current and e["count"] == count, 10,
                      f"the list's selection {current!r}, {count}")

    def list_click_and_select_all():
        x, y = list_point(0)
        xdotool("mousemove", "--window", g.window, x, y, "click", "1")
        list_selection("Bush 00000", 1)
        time.sleep(0.5)
        x, y = list_point(2)
        xdotool("mousemove", "--window", g.window, x, y, "keydown", "shift", "click", "1",
                "keyup", "shift")
        list_selection("Bush 00010", 3)
        g.key("ctrl+a")
        g.wait(lambda e: e["event"] == "selection" and e["name"] == "list" and
               e["count"] == 50000, 10, "all 50,000 rows selected")

    def list_drag_reorders():
        x, y = list_point(0)
        xdotool("mousemove", "--window", g.window, x, y, "click", "1")
        list_selection("Bush 00000", 1)
        time.sleep(0.6)  # not a double click, which would edit the cell
        # Down into the lower half of row 3: the gap below it.
        _, to = list_point(3, dy=row // 4)
        xdotool("mousemove", "--window", g.window, x, y, "mousedown", "1", "sleep", "0.1",
                "mousemove", "--window", g.window, x, y + 5, "sleep", "0.1",
                "mousemove", "--window", g.window, x, to, "sleep", "0.2", "mouseup", "1")
        e = g.wait(lambda e: e["event"] == "dropped", 10, "the drop")
        if e["text"] != "Bush 00000" or e["row"] != 4:
            raise RuntimeError(f"dropped {e}")

    def list_edits_cells():
        time.sleep(0.5)
        x, y = list_point(1, column=1)
        xdotool("mousemove", "--window", g.window, x, y, "click", "--repeat", "2", "--delay",
                "80", "1")
        time.sleep(0.3)
        g.type("77")
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "edited", 10, "the edited size")
        if (e["column"], e["text"], e["stored"]) != (1, "77", True):
            raise RuntimeError(f"edited {e}")
        time.sleep(0.5)
        x, y = list_point(2, column=1)
        xdotool("mousemove", "--window", g.window, x, y, "click", "--repeat", "2", "--delay",
                "80", "1")
        time.sleep(0.3)
        g.key("ctrl+a")
        g.type("99999999999")  # more than four bytes hold
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "edited", 10, "the refused size")
        if (e["column"], e["stored"]) != (1, False):
            raise RuntimeError(f"a size too large for its field gave {e}")

    def list_type_ahead():
        g.type("t")
        g.wait(lambda e: e["event"] == "selection" and e["name"] == "list" and
               e["current"] == "Tree 00002", 10, "the first tree")

    def combo_by_mouse_and_keys():
        def chosen(id_, text):
            e = g.wait(lambda e: e["event"] == "combo", 10, f"the combo's {text!r}")
            if (e["id"], e["text"]) != (id_, text):
                raise RuntimeError(f"combo gave {e}, not {id_} {text!r}")

        # The list opens below the field, sorted under the pinned "<none>": the third row is
        # "Item 9a".
        g.click("combo")
        time.sleep(0.3)
        l, t, r, b = g.controls["combo"]
        xdotool("mousemove", "--window", g.window, l + 40, b + 2 * row + row // 2, "sleep", "0.2",
                "click", "1")
        chosen(3, "Item 9a")
        # The pointer away from where the list opens, so that it moves no row.
        xdotool("mousemove", "--window", g.window, l + 40, t - 60)
        time.sleep(0.5)
        # Down opens the closed box, Down again chooses the next item, Enter closes it; Up
        # steps back to the pinned entry.
        g.key("Down")
        time.sleep(0.2)
        g.key("Down")
        chosen(1, "Item 10")
        g.key("Return")
        time.sleep(0.2)
        g.key("Down")
        time.sleep(0.2)
        for id_, text in [(3, "Item 9a"), (2, "item 9"), (-1, "<none>")]:
            g.key("Up")
            chosen(id_, text)
        g.key("Return")
        time.sleep(0.2)

    def grid_select_and_band():
        l, t, r, b = g.controls["grid"]
        pitch_x, pitch_y = 40, 32 + 3 * row + 8

        def cell(i):
            return l + (i % 4) * pitch_x + 16, t + (i // 4) * pitch_y + 16

        def count(n):
            return g.wait(lambda e: e["event"] == "selection" and e["name"] == "grid" and
                          e["count"] == n, 10, f"{n} grid cells selected")

        x, y = cell(0)
        xdotool("mousemove", "--window", g.window, x, y, "click", "1")
        count(1)
        time.sleep(0.5)
        x, y = cell(5)
        xdotool("mousemove", "--window", g.window, x, y, "keydown", "ctrl", "click", "1",
                "keyup", "ctrl")
        count(2)
        # From the empty space below the cells up into the second row, across two columns:
        # the press clears the selection, the release toggles the four cells covered.
        x0, y0 = l + 4, t + 3 * pitch_y + 60
        x1, y1 = cell(5)
        xdotool("mousemove", "--window", g.window, x0, y0, "mousedown", "1", "sleep", "0.1",
                "mousemove", "--window", g.window, (x0 + x1) // 2, (y0 + y1) // 2, "sleep", "0.1",
                "mousemove", "--window", g.window, x1, y1, "sleep", "0.2", "mouseup", "1")
        count(0)
        count(4)

    def dialog_by_keys():
        # Enter in the multi-line box is a new line; Tab goes on to the combo box and then to
        # "OK", where Enter accepts. Escape cancels a second time.
        g.click("dialog")
        g.modal("Gallery Dialog")
        start = g.seen
        g.type("abc")
        g.text_of("notes", "abc")
        g.key("Return")
        g.type("d")
        g.text_of("notes", "abc\nd")
        if any(l["event"] == "dialog" for l in g.lines[start:g.seen]):
            raise RuntimeError("Enter in the notes ended the dialog")
        g.key("Tab", "Tab", "Return")
        e = g.wait(lambda e: e["event"] == "dialog", 10, "the dialog's end")
        if e["result"] != 1:
            raise RuntimeError(f"Enter on OK gave {e}")
        time.sleep(0.5)
        g.click("dialog")
        g.modal("Gallery Dialog")
        g.key("Escape")
        e = g.wait(lambda e: e["event"] == "dialog", 10, "the cancelled dialog")
        if e["result"] != 0:
            raise RuntimeError(f"Escape gave {e}")

    def prompt_by_keys():
        g.click("ask")
        g.modal("Name?")
        g.type("Tower 7")  # replaces "Unit 1", which starts selected
        g.key("Return")
        e = g.wait(lambda e: e["event"] == "prompt", 10, "the prompt's answer")
        if (e["index"], e["text"]) != (0, "Tower 7"):
            raise RuntimeError(f"the prompt gave {e}")
        time.sleep(0.5)
        g.click("ask")
        g.modal("Name?")
        g.key("Escape")
        e = g.wait(lambda e: e["event"] == "prompt", 10, "the dismissed prompt")
        if (e["index"], e["text"]) != (1, "Unit 1"):
            raise RuntimeError(f"Escape in the prompt gave {e}")

    def escape_keeps_running():
        g.key("alt+F4")
        g.modal("Really Quit Zarv?")
        g.key("Escape")
        time.sleep(1.0)
        if g.process.poll() is not None:
            raise RuntimeError("Escape in the quit box ended the gallery")
        # Still answering: a click is reported.
        g.click("push")
        g.wait(lambda e: e["event"] == "clicked" and e["name"] == "push", 10, "a click after")

    def quit_with_alt_f4():
        g.key("alt+F4")
        g.modal("Really Quit Zarv?")
        g.key("Return")
        status = g.process.wait(timeout=20)
        if status != 0:
            raise RuntimeError(f"exit status {status}: {g.process.stderr.read().decode()}")

    for name, step in [("typing and undo", typing_and_undo), ("the beep", beep_on_refused_input),
                       ("paste from xclip", paste_from_xclip), ("copy to xclip", copy_to_xclip),
                       ("colour chooser", colour_chooser), ("push and check", push_and_check),
                       ("check dragged off", check_dragged_off),
                       ("swatch keeps alpha", swatch_keeps_alpha), ("save chooser", save_chooser),
                       ("open chooser", open_chooser), ("open several, cancelled",
                                                        open_several_and_cancel),
                       ("folder chooser", folder_chooser), ("image clipboard", image_clipboard),
                       ("snapshot to xclip", snapshot_to_xclip),
                       ("cursor pictures", cursor_pictures),
                       ("view, tabs", view_divider_tabs),
                       ("combo: mouse and keys", combo_by_mouse_and_keys),
                       ("list: click, shift, select all", list_click_and_select_all),
                       ("list: drag reorders", list_drag_reorders),
                       ("list: edits cells", list_edits_cells),
                       ("list: type-ahead", list_type_ahead),
                       ("grid: select and rubber band", grid_select_and_band),
                       ("dialog by keys", dialog_by_keys), ("prompt by keys", prompt_by_keys),
                       ("Escape in the quit box", escape_keeps_running),
                       ("quit", quit_with_alt_f4)]:
        check(name, step)
    if g.process.poll() is None:
        g.process.kill()
    watcher.kill()
    shutil.rmtree(WORK, ignore_errors=True)
    if failures:
        sys.exit(1)
    print("PASS")


if __name__ == "__main__":
    main()
