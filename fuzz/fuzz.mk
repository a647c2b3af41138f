# Fuzzing the XML layer with libFuzzer. Included from the top-level Makefile;
# paths are relative to the directory make runs in (the repository root).
# Needs clang++ and the libFuzzer/sanitizer runtimes (Debian: clang,
# libclang-rt-dev), cmake and ninja.

FUZZ_DIR := $(patsubst %/,%,$(dir $(lastword $(MAKEFILE_LIST))))
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 2
FUZZ_CXX ?= clang++
FUZZER := $(FUZZ_BUILD_DIR)/xml_document_fuzzer
# Hostile inputs and any input that ever made the fuzzer fail; also replayed
# by corvane_xml_tests.
FUZZ_REGRESSIONS := $(FUZZ_DIR)/../tests/xml/fuzz_regressions

.PHONY: fuzz fuzz-build fuzz-regress fuzz-clean

# Configure (once) and build the instrumented fuzzer.
fuzz-build:
	@test -f $(FUZZ_BUILD_DIR)/build.ninja || \
	  cmake -S $(FUZZ_DIR) -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_CXX_COMPILER=$(FUZZ_CXX)
	cmake --build $(FUZZ_BUILD_DIR) -j$(FUZZ_JOBS)

# Fuzz for FUZZ_SECONDS seconds. New inputs go to $(FUZZ_BUILD_DIR)/corpus,
# a failing input to $(FUZZ_BUILD_DIR)/artifacts; make then fails.
fuzz: fuzz-build
	@mkdir -p $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/artifacts
	$(FUZZER) -max_total_time=$(FUZZ_SECONDS) -timeout=30 -print_final_stats=1 \
	  -dict=$(FUZZ_DIR)/xml.dict -artifact_prefix=$(FUZZ_BUILD_DIR)/artifacts/ \
	  $(FUZZ_BUILD_DIR)/corpus $(FUZZ_DIR)/seeds $(FUZZ_REGRESSIONS)

# Runs each seed and kept regression input once, without fuzzing.
fuzz-regress: fuzz-build
	$(FUZZER) $(wildcard $(FUZZ_DIR)/seeds/*) $(wildcard $(FUZZ_REGRESSIONS)/*)

fuzz-clean:
	rm -rf $(FUZZ_BUILD_DIR)
