# The two set-up commands: `make run` and `make test`.
PRESETS_TESTED := default asan tsan
BIN := build/default/bin

.PHONY: all deps build run-programs package board0 run python package-test-deps screenshots test $(addprefix test-,$(PRESETS_TESTED)) format-check compile-checks lint fuzz bench clean

all: build

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# Only what `run` starts, and the libraries those programs load at run time.
run-programs: deps
	cmake --preset default
	cmake --build --preset default --target m716_run_programs

# The Debian package of the system, in build/default (m716_<version>_<arch>.deb).
package: build
	cmake --build --preset default --target package

# Prepares a registry store in which board 0 is installed at 0x300 with IRQ 5.
board0: run-programs
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S' /v BoardIDInUsed /t REG_DWORD /d 1 /f
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000' /v BaseAddress /t REG_DWORD /d 0x300 /f
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000' /v Interrupt /t REG_DWORD /d 5 /f

# Starts M716Utility on the simulated board where a display is there, else runs the m716 demo.
run: board0
	if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then $(BIN)/M716Utility; else $(BIN)/m716 demo; fi

# Debian's Python with the package m716 of the build tree, on board 0 as `run` declares it:
# `make python` for an interactive session, `make python ARGS=examples/python/home_and_move.py`.
python: board0
	cmake --build --preset default --target m716_python m716_python_sim
	PYTHONPATH=build/default/python PATH=$(CURDIR)/$(BIN):$$PATH /usr/bin/python3 $(ARGS)

# A picture of every screen of the utility and of the installer's dialog in build/screenshots/.
screenshots: deps
	cmake --preset default
	cmake --build --preset default --target utility_screenshots installer_screenshot
	QT_QPA_PLATFORM=offscreen build/default/bin/utility_screenshots build/screenshots
	QT_QPA_PLATFORM=offscreen build/default/bin/installer_screenshot build/screenshots

test: deps format-check compile-checks $(addprefix test-,$(PRESETS_TESTED))

# A static pattern rule: implicit rules are never searched for phony targets.
TEST_TARGETS := $(addprefix test-,default asan tsan)
$(TEST_TARGETS): test-%:
	cmake --preset $*
	cmake --build --preset $*
	ctest --preset $*

# Only the default build tests the Debian packages, with lintian.
test-default: package-test-deps
package-test-deps: deps
	scripts/install-deps.sh lintian

# Every C and C++ file of ours is formatted as .clang-format says.
FORMATTED = git ls-files '*.c' '*.cpp' '*.h'
format-check: deps
	$(FORMATTED) | xargs clang-format --dry-run --Werror

# What no test can run here, compiled: the port bus over a real machine's I/O ports, and the
# interrupt block's 32-bit layout (its static_asserts) as a 32-bit C and C++ compiler see it.
compile-checks: deps
	cmake -S . -B build/x86 -G Ninja -DCMAKE_BUILD_TYPE=Release -DM716_X86_PORTS=ON \
	  -DM716_BUILD_TESTS=OFF -DM716_BUILD_BENCH=OFF
	cmake --build build/x86 --target m716_platform
	printf '#include "KRVM716_driver.h"\n' | gcc -m32 -fsyntax-only -Ilibrary/include -x c -
	printf '#include "KRVM716_driver.h"\n' | g++ -m32 -fsyntax-only -std=c++20 -Ilibrary/include -x c++ -

# The API fuzzer under libFuzzer (clang, address and undefined-behaviour sanitizers) for
# FUZZ_SECONDS; what it finds lands in build/fuzz/crash-*.
FUZZ_SECONDS ?= 300
fuzz: deps
	scripts/install-deps.sh clang
	cmake --preset fuzz
	cmake --build --preset fuzz --target api_fuzzer
	mkdir -p build/fuzz/corpus
	cd build/fuzz && bin/api_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 corpus

# The curated clang-tidy checks (.clang-tidy) over the product code (every folder whose C++
# the package ships), the layer rule of the library's rooms and the format check; CI runs it.
# clang-tidy reads the compile commands of a configuration that compiles every source on its
# own (the presets build in unity batches).
TIDIED := $(CURDIR)/(board|driver|install|library|messages|platform|python/src|sim|tools|utility)/
lint: format-check
	scripts/install-deps.sh clang-tidy
	scripts/check-layers.sh
	cmake --preset lint
	run-clang-tidy -p build/lint -quiet -j 2 '$(TIDIED)'

bench: build
	@for b in $(BIN)/bench_*; do $$b; done
	PYTHONPATH=build/default/python /usr/bin/python3 bench/python_bench.py $(BIN)

clean:
	rm -rf build
