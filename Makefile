# The two commands of the README, plus the sanitizer and fuzzing runs of CI.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build play test test-soak test-sanitize test-tsan fuzz bench assets assets-sheet install deb clean

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
