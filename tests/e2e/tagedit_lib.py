"""Shared by the end-to-end tests that drive zarv-tagedit: a running editor whose JSON lines
arrive on a thread, and a subprocess runner that says what failed."""
import json
import os
import shutil
import subprocess
import threading
import time


def run(*args, check=True):
    result = subprocess.run([str(a) for a in args], capture_output=True, timeout=60)
    if check and result.returncode != 0:
        raise RuntimeError(f"{args} exited {result.returncode}: {result.stderr.decode()}")
    return result


class TagEditor:
    """A running zarv-tagedit; its JSON lines arrive on a thread and are waited for."""

    def __init__(self, build, work, game, group, tag_id):
        """Copies zarv-tagedit and its res folder into WORK/app (once) and starts it on the tag
        GROUP TAG_ID of the game folder GAME."""
        app = os.path.join(work, "app")
        if not os.path.isdir(app):
            os.makedirs(app)
            shutil.copy(os.path.join(build, "zarv-tagedit"), app)
            shutil.copytree(os.path.join(build, "res"), os.path.join(app, "res"))
        # The whole unit editor fits a small screen.
        with open(os.path.join(app, "res", "prefs.txt"), "w") as prefs:
            prefs.write("OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\n")
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
        self.process = subprocess.Popen(
            [os.path.join(app, "zarv-tagedit"), "--game", game, "--group", group, "--id", tag_id],
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
        """False when the program did not end once its editor closed (it is killed then)."""
        try:
            self.process.wait(timeout=20)
            return True
        except subprocess.TimeoutExpired:
            self.process.kill()
            return False


def guide_shot(window, name, crop=None):
    """With ZARV_SCREENSHOT_DIR set, keeps the window (cut to CROP, WxH+X+Y, when given) as that
    folder's NAME.png for the user guide (make screenshots), as tests/e2e/lib.sh's guide_shot
    does."""
    folder = os.environ.get("ZARV_SCREENSHOT_DIR")
    if not folder:
        return
    os.makedirs(folder, exist_ok=True)
    raw = run("import", "-window", window, "-depth", "8", "ppm:-").stdout
    cut = ["-crop", crop, "+repage"] if crop else []
    subprocess.run(["convert", "ppm:-", *cut, "+dither", "-colors", "256", "-strip",
                    "PNG8:" + os.path.join(folder, name + ".png")], input=raw, check=True,
                   timeout=60)
