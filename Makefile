# Entry points. `make run` and `make test` each prepare a fresh Debian 12 machine first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: all setup build run test install asan fuzz bench clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run.sh $(BUILD)

# The programs, the sample disc, a desktop entry and icon, and the manual pages under PREFIX;
# DESTDIR, when given, is put before every path (for packaging).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

test: build
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure --timeout 600
	@scripts/fuzz.sh 5

asan: setup
	cmake -S . -B $(BUILD)/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON -DVEL_BENCH=OFF
	cmake --build $(BUILD)/asan -j$(JOBS)
	cd $(BUILD)/asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest -j$(JOBS) --output-on-failure --timeout 900

fuzz: setup
	@scripts/fuzz.sh $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	rm -rf $(BUILD)
