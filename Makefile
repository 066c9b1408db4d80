# The two commands of the README, and the benchmarks and the long fuzz run.
SHELL := /bin/bash
BUILD := build
FUZZ_BUILD := build-fuzz
BENCH_BUILD := build-bench
DIST := dist
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600

.PHONY: deps build fuzz-build run test package bench fuzz clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DTAVELO_FUZZ_BINARY=$(CURDIR)/$(FUZZ_BUILD)/fuzz/fuzz_reader >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The readers' fuzzers need clang's libFuzzer: a tree of its own.
fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTAVELO_BUILD_FUZZ=ON -DTAVELO_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_reader fuzz_legacy -j$(JOBS)

test: build fuzz-build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

run: build
	@bash scripts/make-dist.sh $(BUILD) $(DIST)

# The Debian package, written into the build tree.
package: build
	@cd $(BUILD) && cpack -G DEB

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVELO_BUILD_BENCH=ON \
	  -DTAVELO_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS)
	@bash bench/run.sh $(BENCH_BUILD)

fuzz: fuzz-build
	@bash fuzz/run.sh $(FUZZ_BUILD)/fuzz/fuzz_reader $(FUZZ_SECONDS)
	@bash fuzz/run.sh $(FUZZ_BUILD)/fuzz/fuzz_legacy $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
