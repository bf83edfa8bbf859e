# The two set-up commands: `make run` and `make test`.
PRESETS_TESTED := default asan tsan
BIN := build/default/bin

.PHONY: all deps build run test $(addprefix test-,$(PRESETS_TESTED)) format-check lint bench clean

all: build

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# Prepares a registry store in which board 0 is installed at 0x300 with IRQ 5,
# then runs the demo on the simulated board.
run: build
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S' /v BoardIDInUsed /t REG_DWORD /d 1 /f
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000' /v BaseAddress /t REG_DWORD /d 0x300 /f
	$(BIN)/m716reg add 'HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000' /v Interrupt /t REG_DWORD /d 5 /f
	$(BIN)/m716 demo

test: deps format-check $(addprefix test-,$(PRESETS_TESTED))

# A static pattern rule: implicit rules are never searched for phony targets.
TEST_TARGETS := $(addprefix test-,default asan tsan)
$(TEST_TARGETS): test-%:
	cmake --preset $*
	cmake --build --preset $*
	ctest --preset $*

# Every C and C++ file of ours is formatted as .clang-format says.
FORMATTED = git ls-files '*.c' '*.cpp' '*.h'
format-check: deps
	$(FORMATTED) | xargs clang-format --dry-run --Werror

# The curated clang-tidy checks (.clang-tidy) over the product code, the layer rule of the
# library's rooms and the format check.
TIDIED := $(CURDIR)/(board|driver|library|messages|platform|sim|tools)/
lint: format-check
	scripts/install-deps.sh clang-tidy
	scripts/check-layers.sh
	cmake --preset default
	run-clang-tidy -p build/default -quiet -j 2 '$(TIDIED)'

bench: build
	@for b in $(BIN)/bench_*; do $$b; done

clean:
	rm -rf build
