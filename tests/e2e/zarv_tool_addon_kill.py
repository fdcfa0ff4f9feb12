#!/usr/bin/env python3
"""zarv-tool addon packing 60 MB of local tags, killed with SIGKILL at 30 random moments: each
time the plugins folder shows the old add-on or the new one, whole, and nothing else that the
archive scan would load (a staging file the kill left is hidden, and the next build removes it).
Builds alternate between two priorities, so the old and the new add-on differ in their bytes.
Usage: zarv_tool_addon_kill.py BUILD_DIR"""
import hashlib
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROUNDS = 30
TAGS = 15
SIZE = 4 * 1024 * 1024
NAME = "Kill"

tool = os.path.join(sys.argv[1], "zarv-tool")
work = tempfile.mkdtemp(prefix="zarv-tool-addon-kill.")
game = os.path.join(work, "game")
plugins = os.path.join(game, "plugins")
sounds = os.path.join(game, "local", "sounds")
os.makedirs(sounds)
os.makedirs(os.path.join(game, "tags"))
rng = random.Random(int(os.environ.get("SEED", "20261210")))
block = bytes(rng.getrandbits(8) for _ in range(4096))


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1)


for i in range(TAGS):
    name = "Sound %02d" % i
    data = bytes([i]) * 16 + block * (SIZE // 4096)
    header = struct.pack(">HBB32s4s4sIIIHBB4s", 0xFFFF, 0, 0, name.encode(), b"soun",
                         b"s%03d" % i, 64, len(data), 0, 1, 0xFF, 0xFF, b"vrn2")
    with open(os.path.join(sounds, name), "wb") as f:
        f.write(header + data)


def build(priority):
    return [tool, "addon", "--game", game, "--name", NAME, "--url", "http://kill",
            "--priority", str(priority)]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def plugins_state():
    """The add-on's digest (None when absent) and how many hidden staging files lie beside it."""
    names = sorted(os.listdir(plugins)) if os.path.isdir(plugins) else []
    staged = [n for n in names if n.startswith("." + NAME + ".saving-")]
    others = [n for n in names if n not in staged]
    if others not in ([], [NAME]):
        fail("round %d: plugins holds %s" % (round_no, names))
    return (digest(os.path.join(plugins, NAME)) if others else None), len(staged)


def loaded_archives():
    p = subprocess.run([tool, "archives", "--game", game, "--json"], capture_output=True)
    if p.returncode != 0 or p.stderr:
        fail("round %d: archives: %s" % (round_no, p.stderr.decode()))
    return [(a["folder"], a["file"], a["tags"]) for a in json.loads(p.stdout)]


# The two full builds give the bytes each priority makes, and how long a build takes.
digests = {}
span = 0.0
round_no = -1
for priority in (100, 200):
    begin = time.monotonic()
    p = subprocess.run(build(priority), capture_output=True)
    if p.returncode != 0:
        fail("build failed: " + p.stderr.decode())
    span = max(span, time.monotonic() - begin)
    digests[priority] = digest(os.path.join(plugins, NAME))
if digests[100] == digests[200]:
    fail("the two priorities gave the same bytes")

current = 200
outcomes = {"old": 0, "new": 0}
staged_seen = 0
started = time.monotonic()
for round_no in range(ROUNDS):
    target = 100 if current == 200 else 200
    p = subprocess.Popen(build(target), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(rng.uniform(0, span * 1.1))
    p.kill()
    p.wait()
    found, staged = plugins_state()
    staged_seen += staged
    if found == digests[current]:
        outcomes["old"] += 1
    elif found == digests[target]:
        outcomes["new"] += 1
        current = target
    else:
        fail("round %d: the add-on is neither the old nor the new one" % round_no)
    if loaded_archives() != [("plugins", NAME, TAGS)]:
        fail("round %d: the scan loads %s" % (round_no, loaded_archives()))

# A build that runs to its end clears whatever staging file a kill left.
round_no = ROUNDS
if subprocess.run(build(300), capture_output=True).returncode != 0:
    fail("the last build failed")
if plugins_state()[1] != 0:
    fail("a staging file survived a whole build")

shutil.rmtree(work, ignore_errors=True)
print("%d kills in %.1f s: %s, %d staging files seen" %
      (ROUNDS, time.monotonic() - started, outcomes, staged_seen))
if outcomes["old"] == 0 or outcomes["new"] == 0:
    fail("the kills never fell both before and after the change: %s" % outcomes)
print("PASS")
