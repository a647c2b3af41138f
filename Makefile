# The two commands a newcomer needs: `make run` and `make test`.
# Each installs what is missing, configures and builds first.

BUILD       ?= build
CHECK_BUILD ?= build-check
JOBS        ?= 2
GENERATOR   := -G Ninja

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Runs the daemon on the bundled example observation file.
run: build
	scripts/run-example $(BUILD)

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer.
$(CHECK_BUILD)/build.ninja: | deps
	cmake -S . -B $(CHECK_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON

test: deps $(CHECK_BUILD)/build.ninja
	cmake --build $(CHECK_BUILD) -j $(JOBS)
	scripts/check-format
	cd $(CHECK_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(CHECK_BUILD)

# The benchmarks, built for release; each prints its figures against its peer.
BENCH_BUILD ?= build-bench

bench:
	@scripts/install-deps --bench
	cmake -S . -B $(BENCH_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCORVANE_BENCH=ON -DCORVANE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/*_bench; do echo "== $$b"; "$$b" || exit 1; done
include fuzz/fuzz.mk
