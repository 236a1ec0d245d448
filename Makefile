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

.PHONY: all deps build run test bench sanitize tsan fuzz fuzz-build format check-format install package clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The album program on the user's own album library (seeded with the example album on a
# first start). Without a display there is no window to show: the example rings are unwrapped
# into panoramas instead.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    echo "Starting the album program: $(BUILD)/OrbPix/OrbPixStudio"; \
	    $(BUILD)/OrbPix/OrbPixStudio; \
	else \
	    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): unwrapping the example rings instead of opening the album window."; \
	    scripts/unwrap-examples $(BUILD); \
	fi

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do "$$b"; done

# The whole tree and its tests with AddressSanitizer and UBSan, then with ThreadSanitizer.
# The options also hold while building: the build runs the test programs to list their tests.
# A report ends the program at once, so that one in a program a test started (a tour, the
# command line) shows as that test's failure. Reports from inside Qt that TSan cannot see
# through are suppressed, each with its reason, in cmake/sanitizers/.
SANITIZER_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DORBPIX_BUILD_BENCH=OFF $(CMAKE_FLAGS)
sanitize: export ASAN_OPTIONS ?= halt_on_error=1:detect_leaks=1:suppressions=$(CURDIR)/cmake/sanitizers/asan.supp
sanitize: export UBSAN_OPTIONS ?= halt_on_error=1:print_stacktrace=1
sanitize: export LSAN_OPTIONS ?= suppressions=$(CURDIR)/cmake/sanitizers/lsan.supp
sanitize: deps
	@cmake -S . -B $(BUILD)-asan -G Ninja -DORBPIX_SANITIZE=address,undefined \
	    $(SANITIZER_FLAGS) >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

# Left out: after QProcess::start, whose child runs on the parent's memory and thread state
# (a clone TSan does not intercept), TSan reports races in the correctly locked export
# threads that follow in the same process; the export threads are tested on their own. And
# the album program's local tours: their progress window's painting hands work to Qt's own
# pooled threads through locks TSan cannot see; the export's threads behind it are checked by
# the export's own tests.
# And the album window driven whole (panel tests, normal start, a skin installed under it):
# the strip's thumbnail thread posts into Qt's event queue while the window posts its own
# repaints, and Qt's pooled image threads pass their queue among themselves, both under Qt locks TSan cannot see. The window's
# own hand-over from the unwrap worker is checked by the worker's tests and posts unchecked.
TSAN_SKIP = ExportManagerTest.GeneratorFailureIsShown|StudioAppTest.LocalTour|MainPanelTest|StudioAppTest.NormalStart|TwoInstances.TheRunningAlbumWindow
tsan: export TSAN_OPTIONS ?= halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/cmake/sanitizers/tsan.supp
tsan: deps
	@cmake -S . -B $(BUILD)-tsan -G Ninja -DORBPIX_SANITIZE=thread $(SANITIZER_FLAGS) >/dev/null
	@cmake --build $(BUILD)-tsan -j $(JOBS)
	@ctest --test-dir $(BUILD)-tsan --output-on-failure -j $(JOBS) -E '$(TSAN_SKIP)'

# libFuzzer runs (clang, ASan+UBSan) of every fuzz target, FUZZ_SECONDS each. What the runs
# find goes to the build tree; the seeds in fuzz/corpus/ stay as they are. CI runs a fixed
# number of inputs instead: make fuzz FUZZ_FLAGS=-runs=N. The folders are given in full: the
# skin package target works in a folder of its own.
FUZZ_SECONDS ?= 60
FUZZ_FLAGS ?= -max_total_time=$(FUZZ_SECONDS)
fuzz: fuzz-build
	@for f in $(BUILD)-fuzz/fuzz/*_fuzzer; do [ -x "$$f" ] || continue; n=$$(basename $$f); \
	    mkdir -p $(BUILD)-fuzz/corpus/$$n; echo "== $$n"; \
	    "$$f" $(FUZZ_FLAGS) $(abspath $(BUILD))-fuzz/corpus/$$n $(CURDIR)/fuzz/corpus/$$n || exit 1; done

fuzz-build: deps
	@CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DORBPIX_FUZZ=ON -DORBPIX_BUILD_BENCH=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBPIX_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzzers

format: build
	@cmake --build $(BUILD) --target format

check-format: build
	@cmake --build $(BUILD) --target check-format

# Installs the suite under PREFIX (program folder in lib/orbpix, launchers in bin, desktop
# entries, icons and the skin file type in share); DESTDIR stages it elsewhere.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the same tree, in the build folder.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
