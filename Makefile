# The two everyday commands are `make run` and `make test`; the rest serve CI.
JOBS      ?= 2
BUILD     ?= build
CMAKE_ARGS ?=
DEMO      := $(BUILD)/demo

.PHONY: all build run test sanitize fuzz bench clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

# Runs the program on a fresh copy of the demo installation, so that the work
# files it writes never touch the tracked files under install/demo.
run: build
	rm -rf $(DEMO) && mkdir -p $(DEMO) && cp -R install/demo/. $(DEMO)/
	QORROOT=$(abspath $(DEMO))/ QOREXE=$(abspath $(BUILD))/bin/ QORTMP=$(abspath $(DEMO))/ \
	  $(BUILD)/bin/korvidan

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Every test once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_ARGS="-DKORVIDAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_ARGS)"

# Each fuzz target for FUZZ_SECONDS, starting from its seed corpus.
FUZZ_SECONDS ?= 20
fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKORVIDAN_FUZZ=ON -DKORVIDAN_TESTS=OFF -DKORVIDAN_SANITIZE=ON \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link $(CMAKE_ARGS) >/dev/null
	cmake --build build-fuzz -j$(JOBS)
	@set -e; for target in build-fuzz/fuzz/*_fuzz; do \
	  name=$$(basename $$target); corpus=fuzz/corpus/$${name%_fuzz}; \
	  work=$$(mktemp -d); [ -d $$corpus ] && cp -R $$corpus/. $$work/ || true; \
	  echo "== $$name"; \
	  (cd $$work && $(abspath .)/$$target -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -print_final_stats=0 . >fuzz.log 2>&1) \
	    || { tail -n 40 $$work/fuzz.log; exit 1; }; \
	  rm -rf $$work; \
	done

bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVIDAN_BENCH=ON -DKORVIDAN_TESTS=OFF $(CMAKE_ARGS) >/dev/null
	cmake --build build-bench -j$(JOBS)
	@set -e; for b in build-bench/bench/*_bench; do echo "== $$(basename $$b)"; $$b; done

clean:
	rm -rf build build-sanitize build-fuzz build-bench
