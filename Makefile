# The two commands of the README.
#   make run    set up, build, and run the main job (a batch run over example/)
#   make test   set up, build, and run every test
BUILD_DIR ?= build
# Parallel jobs for the build and for ctest: the machine's processors unless JOBS says otherwise
# (make test JOBS=3 on a machine shared with other builds).
JOBS ?= $(shell nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
export JOBS

.PHONY: all build run test test-asan clean

all: build

build:
	scripts/setup.sh

run: build
	scripts/run-example.sh

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer. LeakSanitizer's exit-time
# tracer can crash on a loaded machine after a Qt test has passed; a failed test runs once more, so
# only a failure that repeats counts. Leaks that system libraries keep for the life of the process
# (fontconfig's caches) are listed in tests/lsan.supp.
test-asan:
	BUILD_DIR=build-asan CMAKE_ARGS="-DENABLE_SANITIZERS=ON -DBUILD_BENCHMARKS=OFF" scripts/setup.sh
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j$(JOBS) --repeat until-pass:2

clean:
	rm -rf $(BUILD_DIR) build-asan
