# Shortcuts over CMake. Each target sets the machine up first (scripts/bootstrap
# is quiet when everything is installed).
JOBS ?= $(shell nproc)
BUILD ?= build
SAN_BUILD ?= build-sanitize

.PHONY: setup build test test-sanitize run install clean

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
	@cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) out
