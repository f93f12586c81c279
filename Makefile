# The two commands of the README, plus the sanitizer and fuzzing runs of CI.
JOBS ?= $(shell nproc)
BUILD_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build play test test-sanitize test-tsan fuzz bench assets assets-sheet clean

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B build $(BUILD_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

play: build
	./build/salvo

test: build
	tools/with-display.sh ctest --test-dir build --output-on-failure -j $(JOBS)

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

bench: build
	@for b in build/bench/*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then tools/with-display.sh "$$b" || exit 1; fi; \
	done

# Regenerates every file of assets/ (font, pictures, sounds) byte for byte:
# afterwards `git status --porcelain assets/` is empty.
assets: deps
	python3 tools/make_assets.py

# One picture of every bundled image, enlarged and labelled: out/assets-sheet.png.
assets-sheet:
	python3 tools/make_contact_sheet.py

clean:
	rm -rf build build-sanitize build-tsan build-fuzz
