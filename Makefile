# Front door: `make run` and `make test` take a fresh machine from clone to result.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Let clones in other folders share the compiler cache (see CMakeLists.txt).
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1
ifdef CI
CMAKE_FLAGS += -DORBPIX_WERROR=ON
endif

.PHONY: all deps build run test bench sanitize tsan fuzz format check-format clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/unwrap-examples $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do "$$b"; done

# The toolkit-free modules and their tests with AddressSanitizer and UBSan.
sanitize: deps
	@cmake -S . -B $(BUILD)-asan -G Ninja -DORBPIX_STD_ONLY=ON -DCMAKE_BUILD_TYPE=Debug \
	    -DORBPIX_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

tsan: deps
	@cmake -S . -B $(BUILD)-tsan -G Ninja -DORBPIX_STD_ONLY=ON -DCMAKE_BUILD_TYPE=Debug \
	    -DORBPIX_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-tsan -j $(JOBS)
	@ctest --test-dir $(BUILD)-tsan --output-on-failure -j $(JOBS)

# Open-ended libFuzzer runs (clang, ASan+UBSan) of every fuzz target, FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DORBPIX_STD_ONLY=ON -DORBPIX_FUZZ=ON \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBPIX_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS)
	@for f in $(BUILD)-fuzz/fuzz/*_fuzzer; do [ -x "$$f" ] || continue; \
	    echo "== $$f"; "$$f" -max_total_time=$(FUZZ_SECONDS) fuzz/corpus/$$(basename $$f) || exit 1; done

format: build
	@cmake --build $(BUILD) --target format

check-format: build
	@cmake --build $(BUILD) --target check-format

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
