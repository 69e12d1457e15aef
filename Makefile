# Shortcuts over CMake. Each target sets the machine up first (scripts/bootstrap
# is quiet when everything is installed).
JOBS ?= $(shell nproc)
BUILD ?= build
SAN_BUILD ?= build-sanitize

.PHONY: setup build test test-sanitize fuzz run install clean

setup:
	@scripts/bootstrap

build: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: setup
	@cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON \
	  -DTESSARO_BUILD_GUI=OFF -DTESSARO_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 ctest --output-on-failure -j $(JOBS)

# The fuzz targets, built with clang into build-fuzz, each run for about a
# minute; fails on any crash, leak, timeout or sanitizer report.
fuzz: setup
	@fuzz/run-fuzzers.sh

# The sample book over the sample background into ./out, then the sample
# novel in the novel style for a Kindle Paperwhite and a PSP into
# ./out/novel-kindle-pw and ./out/novel-psp, then what was written.
run: build
	@mkdir -p out/novel-kindle-pw out/novel-psp
	@rm -f out/book[0-9][0-9][0-9][0-9][0-9][0-9].jpg out/novel-*/book[0-9]*.*
	@$(BUILD)/tessaro-batch --locale ja_JP.UTF-8 --background data/sample/background.jpg --out out \
	  data/sample/book.txt
	@$(BUILD)/tessaro-batch --style novel --device kindle-pw --out out/novel-kindle-pw data/sample/novel.txt
	@$(BUILD)/tessaro-batch --style novel --device psp --out out/novel-psp data/sample/novel.txt
	@ls -l out out/novel-kindle-pw out/novel-psp

clean:
	rm -rf $(BUILD) $(SAN_BUILD) out
