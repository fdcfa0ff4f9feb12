#!/usr/bin/env bash
# Times whole `zarv-tool addon` runs against cp of the same bytes, flushed as the builder
# flushes its archive: "large" packs 8 local tags of 64 MiB, against cp of one file of those
# bytes and `sync FILE`; "many" packs 3,000 tags of 4 to 64 KiB, against `cp -r` of the tag
# files and `sync -f`. Best of 5 each, warm cache, one file system (WORK_DIR). Prints
# throughput as a share of cp's.
# Usage: bench/run-addon.sh [BUILD_DIR] [WORK_DIR]   (defaults: build, /tmp/zarv-addonbench)
set -euo pipefail

build_dir=${1:-build}
dir=${2:-/tmp/zarv-addonbench}
tool="$build_dir/zarv-tool"
if [[ ! -x "$tool" ]]; then
  echo "run-addon.sh: $tool is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
exec python3 - "$tool" "$dir" <<'PY'
import os, random, shutil, struct, subprocess, sys, time

tool, work = sys.argv[1], sys.argv[2]
RUNS = 5
rng = random.Random(20261210)


def tag_file(path, name, tag_id, data):
    head = struct.pack(">HBB32s4s4sIIIHBB4s", 0xFFFF, 0, 0, name.encode(), b"soun",
                       tag_id.encode(), 64, len(data), 0, 1, 0xFF, 0xFF, b"vrn2")
    with open(path, "wb") as f:
        f.write(head)
        f.write(data)


def game(name, sizes):
    root = os.path.join(work, name)
    sounds = os.path.join(root, "local", "sounds")
    os.makedirs(sounds)
    os.makedirs(os.path.join(root, "tags"))
    block = bytes(rng.getrandbits(8) for _ in range(1 << 16))
    for i, size in enumerate(sizes):
        data = (block * (size // len(block) + 1))[:size]
        tag_file(os.path.join(sounds, "Tag %04d" % i), "Tag %04d" % i, "%04d" % i, data)
    return root, sounds


def best(run, clean):
    times = []
    for _ in range(RUNS):
        clean()
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    clean()
    return min(times)


def build(root, name):
    subprocess.run([tool, "addon", "--game", root, "--name", name, "--url", "bench"],
                   check=True, stdout=subprocess.DEVNULL)


def report(label, data_bytes, addon_s, cp_s):
    addon = data_bytes / addon_s / 1e6
    cp = data_bytes / cp_s / 1e6
    print("addon %s: %.2f of cp's throughput (target >= 0.80)   [addon %.0f MB/s, cp %.0f MB/s]"
          % (label, addon / cp, addon, cp), flush=True)


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.unlink(path)


# large: eight 64 MiB tags; the baseline copies one file holding the same bytes.
root, sounds = game("large", [64 << 20] * 8)
joined = os.path.join(work, "large.bin")
with open(joined, "wb") as out:
    for name in sorted(os.listdir(sounds)):
        with open(os.path.join(sounds, name), "rb") as f:
            shutil.copyfileobj(f, out, 1 << 20)
size = os.path.getsize(joined)
addon = os.path.join(root, "plugins", "Large")
copy = os.path.join(root, "plugins", "large.bin")
os.makedirs(os.path.dirname(copy), exist_ok=True)
build(root, "Large")  # the cache warmed
t_addon = best(lambda: build(root, "Large"), lambda: remove(addon))
t_cp = best(lambda: (subprocess.run(["cp", joined, copy], check=True),
                     subprocess.run(["sync", copy], check=True)), lambda: remove(copy))
report("large", size, t_addon, t_cp)
shutil.rmtree(root)
os.unlink(joined)

# many: 3,000 tags of 4 to 64 KiB; the baseline copies the tag files as a folder.
sizes = [rng.randint(4 << 10, 64 << 10) for _ in range(3000)]
root, sounds = game("many", sizes)
size = sum(os.path.getsize(os.path.join(sounds, n)) for n in os.listdir(sounds))
addon = os.path.join(root, "plugins", "Many")
copy = os.path.join(work, "many-copy")
build(root, "Many")
t_addon = best(lambda: build(root, "Many"), lambda: remove(addon))
t_cp = best(lambda: (subprocess.run(["cp", "-r", sounds, copy], check=True),
                     subprocess.run(["sync", "-f", copy], check=True)), lambda: remove(copy))
report("many", size, t_addon, t_cp)
PY
