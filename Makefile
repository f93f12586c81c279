# The two commands of the README, plus the sanitizer and fuzzing runs of CI.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build play test screenshots test-soak test-sanitize test-tsan fuzz bench assets assets-sheet install deb clean \
	mutation coverage windows windows-zip test-windows web serve-web test-web test-web-units bench-web

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B build $(BUILD_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

play: build
	./build/salvo

test: build
	tools/with-display.sh ctest --test-dir build --output-on-failure -j $(JOBS) -LE soak

# One simulated hour of play checked for leaks (about a quarter of a minute).
test-soak: build
	ctest --test-dir build --output-on-failure -L soak

test-sanitize: deps
	cmake -S . -B build-sanitize -DSALVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-sanitize -j $(JOBS)
	tools/with-display.sh ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

test-tsan: deps
	cmake -S . -B build-tsan -DSALVO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-tsan -j $(JOBS) --target audio_thread_tests
	ctest --test-dir build-tsan --output-on-failure -L thread

# The single-line mutants of tools/mutants.txt, each rebuilt in build-mutation
# and put to the tests: a table of killed and surviving mutants per file.
# MUTATION_ARGS passes options on, e.g. MUTATION_ARGS="--only game/".
MUTATION_ARGS ?= --results build-mutation/mutation.md
mutation: deps
	tools/with-display.sh python3 tools/run_mutants.py $(MUTATION_ARGS)

# Line and branch coverage of the product code (tests, harness, benchmarks and
# fuzz targets left out) by the quick suite, built in build-coverage.
coverage: deps
	tools/coverage.sh

# Every libFuzzer target of fuzz/ for SECONDS seconds, one after another,
# built by clang with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer; stops at the first fault found.
SECONDS ?= 60
fuzz: deps
	cmake -S . -B build-fuzz -DSALVO_FUZZ=ON -DBUILD_TESTING=OFF -DSALVO_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	fuzz/run.sh $(SECONDS)

# Every benchmark program, then one table of the headline figures. Google
# Benchmark programs also leave their results as JSON for the table.
BENCH_RESULTS = build/bench-results
bench: build
	@mkdir -p $(BENCH_RESULTS)
	@for b in build/bench/*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then \
	    name=$$(basename $$b); args=""; \
	    if grep -q "benchmark/benchmark.h" bench/$$name.cpp; then \
	      args="--benchmark_out=$(BENCH_RESULTS)/$$name.json --benchmark_out_format=json"; \
	    fi; \
	    tools/with-display.sh "$$b" $$args | tee $(BENCH_RESULTS)/$$name.txt; \
	    [ $${PIPESTATUS[0]} -eq 0 ] || exit 1; \
	  fi; \
	done
	@tools/with-display.sh python3 tools/bench_table.py $(BENCH_RESULTS)

# The README's pictures: the title screen and a moment of play, drawn through
# the real OpenGL driver on a private Xvfb server into docs/.
screenshots: build
	tools/make_screenshots.sh build/salvo docs

# Regenerates every file of assets/ (font, pictures, sounds) byte for byte:
# afterwards `git status --porcelain assets/` is empty.
assets: deps
	python3 tools/make_assets.py

# One picture of every bundled image, enlarged and labelled: out/assets-sheet.png.
assets-sheet:
	python3 tools/make_contact_sheet.py

# Installs under /usr/local (or PREFIX), into DESTDIR when it is set.
PREFIX ?= /usr/local
install: build
	cmake -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	cmake --build build -j $(JOBS)
	cmake --install build

# The Debian package, checked with lintian: build-deb/salvo_*.deb.
deb: deps
	tools/build-deb.sh

clean:
	rm -rf build build-sanitize build-tsan build-fuzz build-deb

# Windows, cross-built with MinGW-w64: build-windows/salvo.exe (x86-64) and
# build-windows-i686/salvo.exe (32-bit), each one file linking its libraries
# statically, built from Debian's sources by tools/build-target-deps.sh
# (kept in build-deps/ or SALVO_DEPS_DIR). The x86-64 build tree also holds
# the test programs, which CTest runs under Wine (`make test-windows`).
WINDOWS_FLAGS = -DCMAKE_BUILD_TYPE=Release -DSALVO_LTO=OFF -DSALVO_BENCH=OFF
WINDOWS_TEST_FLAGS = -DBUILD_TESTING=ON -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tools/wine-run.sh
windows: deps
	tools/build-target-deps.sh mingw-x86_64 >/dev/null
	tools/build-target-deps.sh mingw-i686 >/dev/null
	cmake -S . -B build-windows --toolchain cmake/mingw-x86_64.cmake $(WINDOWS_FLAGS) \
	  $(WINDOWS_TEST_FLAGS) >/dev/null
	cmake --build build-windows -j $(JOBS) --target salvo
	cmake -S . -B build-windows-i686 --toolchain cmake/mingw-i686.cmake $(WINDOWS_FLAGS) \
	  -DBUILD_TESTING=OFF >/dev/null
	cmake --build build-windows-i686 -j $(JOBS) --target salvo

# The two archives a Windows user unpacks: salvo.exe with the README and the
# licences as CRLF texts, build-windows/salvo-VERSION-windows-x64.zip and
# build-windows-i686/salvo-VERSION-windows-x86.zip.
windows-zip: windows
	tools/make-windows-zip.sh build-windows x64
	tools/make-windows-zip.sh build-windows-i686 x86

# The test suites built for 64-bit Windows, run by CTest under Wine; then the
# real Windows programs: both carry their icon and version, the 32-bit
# build's own code rounds no float in the x87 unit, and the x86-64
# one, unpacked from its archive, runs under Wine on private Xvfb screens
# beside the Linux build, each replaying the other's recorded game
# (tests/windows/exe_test.sh). 32-bit programs would need wine32 and the
# machine's i386 architecture, which are left alone.
test-windows: windows-zip
	cmake --build build-windows -j $(JOBS)
	tools/with-display.sh ctest --test-dir build-windows --output-on-failure -j $(JOBS)
	cmake -S . -B build $(BUILD_FLAGS) >/dev/null
	cmake --build build -j $(JOBS) --target salvo
	for build in build-windows build-windows-i686; do \
	  python3 tests/windows/check_resources.py $$build/salvo.exe $$build/salvo.ico \
	    $$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $$build/CMakeCache.txt) || exit 1; \
	done
	tests/windows/x87_check.sh build-windows-i686
	tests/windows/exe_test.sh build-windows/salvo-*-windows-x64.zip build/salvo

# The web: build-web/index.html with salvo.js and salvo.wasm, built by
# Debian's emscripten against libraries built from Debian's sources by
# tools/build-target-deps.sh (kept in build-deps/ or SALVO_DEPS_DIR).
WEB_FLAGS = -DCMAKE_BUILD_TYPE=Release -DSALVO_LTO=OFF -DSALVO_BENCH=OFF -DBUILD_TESTING=OFF
web: deps
	tools/build-target-deps.sh emscripten >/dev/null
	cmake -S . -B build-web --toolchain cmake/emscripten-toolchain.cmake $(WEB_FLAGS) >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build build-web -j $(JOBS) --target salvo

# Serves the page on this machine only: http://127.0.0.1:WEB_PORT/
# (add ?mute, or ?replay=URL to replay a recording made with --record).
WEB_PORT ?= 8000
serve-web: web
	@echo "Salvo is served at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory build-web

# The page in headless Chromium, driven by puppeteer-core (installed into
# tests/web/node_modules from its committed lock file).
test-web: web
	cd tests/web && npm ci --no-audit --no-fund --silent
	node tests/web/page_test.mjs build-web docs/title.png tests/web/recordings build-web/test-pictures

# The platform-free GoogleTest suites (runtime, pixmap, audio) built for the
# web and run under node through CTest, in build-web-tests.
test-web-units: deps
	tools/build-target-deps.sh emscripten >/dev/null
	cmake -S . -B build-web-tests --toolchain cmake/emscripten-toolchain.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSALVO_LTO=OFF -DSALVO_BENCH=ON -DBUILD_TESTING=ON >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build build-web-tests -j $(JOBS) \
	  --target runtime_tests pixmap_tests audio_tests
	ctest --test-dir build-web-tests --output-on-failure -j $(JOBS)

# The crowded round-30 frame in headless Chromium, then natively on the same
# machine (bench/web/crowded_frames.cpp): milliseconds per frame of each.
bench-web: deps
	cmake -S . -B build $(BUILD_FLAGS) >/dev/null
	cmake --build build -j $(JOBS) --target crowded_frames
	tools/build-target-deps.sh emscripten >/dev/null
	cmake -S . -B build-web-tests --toolchain cmake/emscripten-toolchain.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSALVO_LTO=OFF -DSALVO_BENCH=ON -DBUILD_TESTING=ON >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build build-web-tests -j $(JOBS) --target crowded_frames
	cd tests/web && npm ci --no-audit --no-fund --silent
	node tests/web/crowded_frames.mjs build-web-tests/bench/web
	SDL_AUDIODRIVER=dummy tools/with-display.sh build/bench/web/crowded_frames
