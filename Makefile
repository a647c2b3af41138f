# The two commands a newcomer needs: `make run` and `make test`.
# Each installs what is missing, configures and builds first.

BUILD         ?= build
CHECK_BUILD   ?= build-check
RELEASE_BUILD ?= build-release
PACKAGE_BUILD ?= build-package
JOBS          ?= 2
GENERATOR     := -G Ninja

.PHONY: all deps build run test release-check package bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Runs the daemon on the bundled example observation file; builds only the
# executable.
run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target corvane
	scripts/run-example $(BUILD)

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer, and
# every target once more as a user builds it (optimised, no sanitizers), so
# that warnings only the optimiser finds fail here. Warnings are errors in
# both. clang-tidy then checks the names and a few kinds of fault (.clang-tidy).
$(CHECK_BUILD)/build.ninja: | deps
	cmake -S . -B $(CHECK_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_WERROR=ON

$(RELEASE_BUILD)/build.ninja: | deps
	cmake -S . -B $(RELEASE_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCORVANE_WERROR=ON -DCORVANE_BENCH=ON

release-check: deps $(RELEASE_BUILD)/build.ninja
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

test: deps $(CHECK_BUILD)/build.ninja release-check
	cmake --build $(CHECK_BUILD) -j $(JOBS)
	scripts/check-format
	JOBS=$(JOBS) scripts/check-tidy $(CHECK_BUILD)
	cd $(CHECK_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package, built for /usr: $(PACKAGE_BUILD)/corvane_<version>_<arch>.deb.
$(PACKAGE_BUILD)/build.ninja: | deps
	cmake -S . -B $(PACKAGE_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr

package: deps $(PACKAGE_BUILD)/build.ninja
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(CHECK_BUILD) $(RELEASE_BUILD) $(PACKAGE_BUILD)

# The benchmarks, built for release; each prints its figures against its peer.
BENCH_BUILD ?= build-bench

bench:
	@scripts/install-deps --bench
	cmake -S . -B $(BENCH_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCORVANE_BENCH=ON -DCORVANE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/*_bench; do echo "== $$b"; "$$b" || exit 1; done
include fuzz/fuzz.mk
