# Zarv: a thin wrapper around CMake and Ninja.
#
#   make               install missing packages, configure build/ if needed, build
#   make run           build, write the demo game folder, then start the editor (needs an X display)
#   make demo          write the demo game folder (build/demo-game) and point the editor at it
#   make test          build, then run every test with ctest
#   make test SANITIZE=1   the unit tests with AddressSanitizer and UBSan, in build-sanitize/
#   make bench         build, then run the redraw benchmark on a virtual display
#   make bench-codex   build, then time indexing a large generated game folder
#   make bench-collections   build, then time RLE, the quantiser and convert-images
#   make bench-import  build, then time importing 200 indexed PNGs into a new collection and
#                      into one of 2,000 bitmaps beside decoding them (headless)
#   make bench-autobuild   build, then time building a collection from 1,024 indexed 128 x 128
#                      renders with alphas, and up-res from 256 x 256 renders of them, beside
#                      decoding their PNGs (headless)
#   make bench-quantise   build, then time `zarv-tool quantise` beside `pngquant 256` on one
#                      2048 x 2048 photograph-like PNG, with PSNR (needs pngquant, ImageMagick)
#   make bench-textbox   build, then time the text box on 1 MB of text (headless)
#   make bench-structedit   build, then time the struct editor of a 300-member record over
#                      20,000 tags (headless)
#   make bench-structs   build, then time reading 1 MB of record descriptions beside TinyXML
#                        parsing them (headless)
#   make bench-chooser   build, then time opening the file chooser on 20,000 files (headless)
#   make bench-lists   build, then time the list, grid and combo box at 50,000 rows (virtual display)
#   make bench-x256    build, then time redrawing the collection editor's Bitmaps page with 60
#                      thumbnails (virtual display)
#   make bench-sequence   build, then time redrawing the sequence editor's grid with 40 visible
#                      cells, and measure the share of a core its frame editor's preview takes
#                      animating at 30 frames a second (virtual display)
#   make bench-browser build, then time the archive browser on the large game folder of
#                      bench-codex (virtual display)
#   make bench-undo    build, then measure what the collection editor's undo history holds after
#                      1,000 renames in 2,000 bitmaps (headless)
#   make bench-tagops  build, then time the tag operations on a 64 MB tag beside cp, and count the
#                      folders their rescans list among 5,000 loose tags
#   make bench-terrain build, then print every terrain figure in one run: detail map reading and
#                      writing, fills and their undo, a brush with its chunk rebuild, the texture
#                      codec, and the mesh editor's frames while painting (virtual display)
#   make bench-dtex    build, then time decoding and encoding detail textures beside memcpy
#   make bench-models  build, then print every model figure in one run: reading and converting a
#                      100,000-triangle LightWave object, importing a 65,535-triangle one into
#                      tags, and one viewer frame of 65,535 triangles (sorted; drawn on a virtual
#                      display)
#   make bench-sound   build, then time reading (decoding) a minute of stereo sound, encoding it
#                      and starting its playback
#   make bench-addon   build, then time `zarv-tool addon` on 8 tags of 64 MiB and on 3,000 small
#                      tags beside cp of the same bytes, flushed to disk
#   make bench-dialog  build, then time a drag step and a canvas redraw of a 2,000-control dialog,
#                      and opening, typing into and saving a 1 MiB script (virtual display)
#   make screenshots   build the editor, then run the end-to-end tests that take the user
#                      guide's pictures on a virtual display, writing them into docs/images/
#   make install       build, then install into PREFIX (default /usr/local; DESTDIR honoured)
#   make package       build, then write the Debian package $(BUILD_DIR)/zarv_<version>_amd64.deb
#   make fuzz          build every fuzz target with libFuzzer and run each FUZZ_SECONDS (default
#                      60) seconds, one after another; new corpus entries are kept in
#                      $(BUILD_DIR)/fuzz-corpus, crash inputs in $(BUILD_DIR)/fuzz-crashes
#   make format        clang-format our sources in place
#   make clean         remove the build folders
#
# Variables: JOBS (parallel jobs, default: number of cores), BUILD_TYPE, BUILD_DIR, CI_BUILD=1
# (no benchmarks, no debug information), UNIT_TESTS=0 (no unit tests in the plain build),
# RUN_ARGS (extra arguments for the editor).

SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c
# Steps run one after another; ninja and ctest run in parallel themselves.
.NOTPARALLEL:
.DEFAULT_GOAL := all

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_TYPE ?= RelWithDebInfo
CMAKE ?= cmake
NINJA ?= ninja
CTEST ?= ctest
CLANG_FORMAT ?= clang-format

ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-sanitize
# The sanitizer build is for finding memory errors, not for stepping through: no debug
# information, and -O0, because g++ takes two to three times as long over UBSan's checks when it
# optimises (the unit tests still run in a few minutes); the stack traces keep function names.
BUILD_TYPE := Release
CMAKE_OPTIONS := -DZARV_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELEASE=-O0 -DCMAKE_C_FLAGS_RELEASE=-O0
# `make test SANITIZE=1` builds and runs the headless unit tests alone, one process per core; the
# end-to-end and display tests run in the plain build.
SANITIZE_TESTS := zarv_tests
# Any error a sanitizer finds fails the test that hit it. LeakSanitizer works on the
# machines we build on (checked with a deliberate leak and with a GLFW/Mesa window under
# Xvfb), so leak detection stays on. Set ASAN_OPTIONS yourself to override these.
export ASAN_OPTIONS ?= detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS ?= halt_on_error=1:print_stacktrace=1
else
BUILD_DIR ?= build
CMAKE_OPTIONS :=
endif

# CI_BUILD=1: a build for running the tests once: no benchmarks and no debug information (the
# optimisation and assertions are those of RelWithDebInfo), which saves minutes of a cold build.
ifeq ($(CI_BUILD),1)
CMAKE_OPTIONS += -DZARV_BENCHES=OFF
ifneq ($(SANITIZE),1)
CMAKE_OPTIONS += "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
endif
endif

# UNIT_TESTS=0: the plain build without the unit tests, for CI, which has just run them in the
# sanitizer build (they are most of the build's time). Takes effect when the build folder is
# configured.
ifeq ($(UNIT_TESTS),0)
CMAKE_OPTIONS += -DZARV_UNIT_TESTS=OFF
endif

EDITOR_BIN := $(BUILD_DIR)/zarv

# Demo game folder for `make run`, written by zarv-tool with the project's own writers. It is
# written again only when zarv-tool is newer, so tags edited in it survive between runs. The
# editor is pointed at it unless its preferences already name a game folder that exists.
DEMO_DIR ?= $(BUILD_DIR)/demo-game
RUN_ARGS ?=

FORMAT_DIRS := base gui gl app tags structs collections terrain models sound tests tools bench fuzz

.PHONY: all deps configure build demo run check-display test install package bench bench-codex bench-collections bench-import bench-autobuild bench-quantise bench-textbox bench-structs bench-chooser bench-lists bench-tagops bench-browser bench-structedit bench-x256 bench-sequence bench-undo bench-terrain bench-dtex bench-models bench-sound bench-addon bench-dialog screenshots fuzz format clean

all: build

deps:
	@tools/install-deps.sh

# Configure once; afterwards ninja re-runs CMake itself when a CMakeLists.txt changes.
$(BUILD_DIR)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_OPTIONS)

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	$(NINJA) -C $(BUILD_DIR) -j$(JOBS)

demo: build
	@if [[ ! -e $(DEMO_DIR)/.zarv-demo || $(BUILD_DIR)/zarv-tool -nt $(DEMO_DIR)/.zarv-demo ]]; then \
	  $(BUILD_DIR)/zarv-tool make-demo $(DEMO_DIR); \
	fi
	@tools/use-demo-game.sh $(BUILD_DIR) $(DEMO_DIR)

check-display:
	@if [[ -z "$${DISPLAY:-}" ]]; then \
	  echo "make run: no X display (DISPLAY is not set)." >&2; \
	  echo "  Zarv is a desktop program: run 'make run' from a graphical session or over 'ssh -X'." >&2; \
	  echo "  Without a screen, 'make test' runs every test (GUI tests use their own virtual display)." >&2; \
	  exit 1; \
	fi
	@if command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then \
	  echo "make run: cannot open the X display '$$DISPLAY' (is the X server running, and may you use it?)." >&2; \
	  exit 1; \
	fi

run: check-display deps build demo
	$(EDITOR_BIN) $(RUN_ARGS)

ifeq ($(SANITIZE),1)
test: deps configure
	$(NINJA) -C $(BUILD_DIR) -j$(JOBS) $(SANITIZE_TESTS)
	tests/run-sharded.sh $(BUILD_DIR)/zarv_tests $(JOBS)
else
test: deps build
	$(CTEST) --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)
endif

bench: deps build
	bench/run-redraw.sh $(BUILD_DIR)

bench-codex: deps build
	bench/run-codex.sh $(BUILD_DIR)

bench-collections: deps build
	bench/run-collections.sh $(BUILD_DIR)

bench-import: deps build
	bench/run-import.sh $(BUILD_DIR)

bench-autobuild: deps build
	bench/run-autobuild.sh $(BUILD_DIR)

bench-quantise: deps build
	bench/run-quantise.sh $(BUILD_DIR)

bench-textbox: deps build
	bench/run-textbox.sh $(BUILD_DIR)

bench-structedit: deps build
	bench/run-structedit.sh $(BUILD_DIR)

bench-structs: deps build
	bench/run-structs.sh $(BUILD_DIR)

bench-chooser: deps build
	bench/run-chooser.sh $(BUILD_DIR)

bench-lists: deps build
	bench/run-lists.sh $(BUILD_DIR)

bench-tagops: deps build
	bench/run-tagops.sh $(BUILD_DIR)

bench-browser: deps build
	bench/run-browser.sh $(BUILD_DIR)

bench-addon: deps build
	bench/run-addon.sh $(BUILD_DIR)

bench-x256: deps build
	bench/run-x256.sh $(BUILD_DIR)

bench-sequence: deps build
	bench/run-sequence.sh $(BUILD_DIR)

bench-undo: deps build
	bench/run-undo.sh $(BUILD_DIR)

bench-terrain: deps build
	bench/run-terrain.sh $(BUILD_DIR)
	bench/run-detail.sh $(BUILD_DIR)
	bench/run-meshview.sh $(BUILD_DIR)
	bench/run-dtex.sh $(BUILD_DIR)
	bench/run-meshedit.sh $(BUILD_DIR)
bench-dtex: deps build
	bench/run-dtex.sh $(BUILD_DIR)

bench-models: deps build
	bench/run-models.sh $(BUILD_DIR)
	bench/run-geomview.sh $(BUILD_DIR)

bench-sound: deps build
	bench/run-sound.sh $(BUILD_DIR)

bench-dialog: deps build
	bench/run-dialog.sh $(BUILD_DIR)

# The end-to-end tests that take the user guide's pictures, each at the moment the guide
# describes (guide_shot in tests/e2e/lib.sh). Pictures are written again, never removed, so a
# test that fails leaves its old picture and says so.
SCREENSHOT_TESTS := archive_browser struct_editor collection_editor collection_pages \
  sequence_editor mesh_editor geometry_viewer sound_editor dialog_editor new_script \
  build_addon image_conversion
SCREENSHOT_DIR ?= $(CURDIR)/docs/images

# Only the programs the tests start (their resources come with the editor).
screenshots: deps configure
	$(NINJA) -C $(BUILD_DIR) -j$(JOBS) zarv zarv-tool zarv-tagedit
	ZARV_SCREENSHOT_DIR=$(SCREENSHOT_DIR) $(CTEST) --test-dir $(BUILD_DIR) --output-on-failure \
	  -R '^e2e_($(subst $(eval) ,|,$(strip $(SCREENSHOT_TESTS))))$$'
	@echo "screenshots: $$(du -ch $(SCREENSHOT_DIR)/*.png | tail -n1 | cut -f1) in $(SCREENSHOT_DIR)"
PREFIX ?= /usr/local
install: deps build
	$(CMAKE) --install $(BUILD_DIR) --prefix $(PREFIX)

package: deps build
	cd $(BUILD_DIR) && cpack -G DEB

FUZZ_SECONDS ?= 60
fuzz: deps configure
	fuzz/run-all.sh $(BUILD_DIR) $(FUZZ_SECONDS)

format:
	@find $(wildcard $(FORMAT_DIRS)) -type f \( -name '*.h' -o -name '*.cpp' \) -print0 \
	  | xargs -0 -r $(CLANG_FORMAT) -i

clean:
	rm -rf build $(wildcard build-*/)

# make bench-detail: build, then time the flood fill of a 2048 x 2048 detail map (uniform and a
# comb of one-cell columns), its undo, and one brush application (headless)
.PHONY: bench-detail
bench-detail: deps build
	bench/run-detail.sh $(BUILD_DIR)

# make bench-meshview: build, then time the mesh view's chunk rebuild after one brush application
# on a 4 x 3-chunk mesh (headless)
.PHONY: bench-meshview
bench-meshview: deps build
	bench/run-meshview.sh $(BUILD_DIR)

# make bench-geomview: build, then time one geometry viewer frame's projection and far-to-near
# sort of 65,535 triangles (headless), then the same frame drawn on llvmpipe under xvfb-run
.PHONY: bench-geomview
bench-geomview: deps build
	bench/run-geomview.sh $(BUILD_DIR)

# make bench-meshedit: build, then count the mesh editor's frames per second while painting the
# demo's 4 x 3-chunk mesh at 1024 x 768 (virtual display)
.PHONY: bench-meshedit
bench-meshedit: deps build
	bench/run-meshedit.sh $(BUILD_DIR)
