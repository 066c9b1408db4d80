# The two commands of the README, and the benchmarks, the long fuzz run and the whole tidy.
SHELL := /bin/bash
BUILD := build
SAN_BUILD := build-san
BENCH_BUILD := build-bench
DIST := dist
JOBS ?= $(shell nproc)
# The compiler cache (used when installed) takes paths below this folder as relative, so
# that another clone of the repository finds what this one compiled.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
FUZZ_SECONDS ?= 600

.PHONY: deps build san-build run test package bench fuzz tidy clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The sanitized tree: clang's AddressSanitizer and UndefinedBehaviorSanitizer over a Debug
# build, at -O1 as they are meant to run. It holds the readers' fuzzers too (they need
# clang's libFuzzer), and builds only what its tests (ctest -L sanitized) run.
san-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" -DTAVELO_BUILD_FUZZ=ON >/dev/null
	@cmake --build $(SAN_BUILD) --target sanitized -j$(JOBS)

test: build san-build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	@cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) -L sanitized

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

fuzz: san-build
	@bash fuzz/run.sh $(SAN_BUILD)/fuzz/fuzz_reader $(FUZZ_SECONDS)
	@bash fuzz/run.sh $(SAN_BUILD)/fuzz/fuzz_legacy $(FUZZ_SECONDS)

# clang-tidy over every source; `make test` looks only at what changed since .ci/tidy-clean.
tidy: build
	@bash scripts/tidy.sh $(BUILD) all

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD)
