#!/usr/bin/env python3
"""zarv-tool rename of a tag of several MB, killed with SIGKILL at random moments 200 times:
every time the local folder holds the old tag, the new one, or both, each whole, and never a
tag with a half-changed header or cut data. Renames alternate between a new name and id (the
new file beside the old one, then the old removed) and a new id alone (the new file over the
old). Usage: zarv_tool_rename_kill.py BUILD_DIR"""
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROUNDS = 200
SIZE = 6 * 1024 * 1024

tool = os.path.join(sys.argv[1], "zarv-tool")
work = tempfile.mkdtemp(prefix="zarv-tool-rename-kill.")
game = os.path.join(work, "game")
sounds = os.path.join(game, "local", "sounds")
os.makedirs(sounds)
os.makedirs(os.path.join(game, "tags"))
rng = random.Random(int(os.environ.get("SEED", "20261208")))
data = bytes(rng.getrandbits(8) for _ in range(4096)) * (SIZE // 4096)
digest = hashlib.sha256(data).digest()


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1)


def header(name, tag_id):
    return (struct.pack(">HBB32s4s4sIIIHBB4s", 0xFFFF, 0, 0, name.encode(), b"soun",
                        tag_id.encode(), 64, len(data), 0x1234, 2, 0xFF, 0xFF, b"vrn2"))


def tags():
    """(file name, header name, id) of every file the folder shows, each checked whole."""
    found = []
    for file in sorted(os.listdir(sounds)):
        path = os.path.join(sounds, file)
        if file.startswith(".") and ".saving-" in file:
            os.unlink(path)  # a save the kill cut short: never a tag, never listed
            continue
        with open(path, "rb") as f:
            b = f.read()
        name = b[4:36].split(b"\0")[0].decode()
        group, tag_id = b[36:40], b[40:44].decode()
        if (b[60:64] != b"vrn2" or group != b"soun" or struct.unpack(">I", b[44:48])[0] != 64
                or struct.unpack(">IH", b[52:58]) != (0x1234, 2) or name != file
                or hashlib.sha256(b[64:]).digest() != digest):
            fail("round %d: '%s' is not a whole tag (name %r, id %r, %d bytes)"
                 % (round_no, file, name, tag_id, len(b)))
        found.append((file, tag_id))
    return found


with open(os.path.join(sounds, "Alpha"), "wb") as f:
    f.write(header("Alpha", "Alfa") + data)
current = ("Alpha", "Alfa")
outcomes = {"old": 0, "new": 0, "both": 0}
started = time.monotonic()
span = 0.0
for round_no in range(ROUNDS):
    name, tag_id = current
    if round_no % 2:
        target = (name, tag_id[:3] + ("x" if tag_id[3] != "x" else "y"))
        args = ["--new-id", target[1]]
    else:
        target = ("Beta", "Beta") if name == "Alpha" else ("Alpha", "Alfa")
        args = ["--new-name", target[0], "--new-id", target[1]]
    command = [tool, "rename", "--game", game, "--group", "soun", "--id", tag_id] + args
    begin = time.monotonic()
    p = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if round_no < 4:
        # The first rounds run to the end to learn how long a rename takes.
        _, err = p.communicate()
        if p.returncode != 0:
            fail("rename failed: " + err.decode())
        span = max(span, time.monotonic() - begin)
    else:
        time.sleep(rng.uniform(0, span * 1.1))
        p.kill()
        p.communicate()
    seen = set(tags())
    if seen == {current}:
        outcomes["old"] += 1
    elif seen == {target}:
        outcomes["new"] += 1
        current = target
    elif seen == {current, target}:
        # Both whole: the old one is removed by hand and the new one goes on.
        outcomes["both"] += 1
        os.unlink(os.path.join(sounds, current[0]))
        current = target
    else:
        fail("round %d: expected %s and/or %s, found %s" % (round_no, current, target, seen))

shutil.rmtree(work, ignore_errors=True)
print("%d kills in %.1f s: %s" % (ROUNDS, time.monotonic() - started, outcomes))
if outcomes["old"] == 0 or outcomes["new"] == 0:
    fail("the kills never fell both before and after the change: %s" % outcomes)
print("PASS")
