# Front door: `make demo` runs the main job under Wine; `make check` runs every test.
# Both install what they need first (Debian packages, through scripts/install-deps.sh).
# The recipes source bash scripts (scripts/wine-env.sh).
SHELL := /bin/bash
JOBS ?= 2
BUILD ?= build
APP_KEY ?= TSYPRO_3

.PHONY: all deps native win32 win64 wintest wine-builds check unit wine-tests demo clean \
        sanitize valgrind bench

all: native win32

deps:
	@scripts/install-deps.sh

native: deps
	@cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)/native -j$(JOBS)

win32: deps
	@cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DTSY_APP_KEY=$(APP_KEY) >/dev/null
	@cmake --build $(BUILD)/win32 -j$(JOBS) $(if $(WIN32_TARGET),--target $(WIN32_TARGET))

win64: deps
	@cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DTSY_APP_KEY=$(APP_KEY) >/dev/null
	@cmake --build $(BUILD)/win64 -j$(JOBS)

# The Windows build that Wine can run on this machine (see scripts/wine-env.sh).
wintest: deps
	@. scripts/wine-env.sh && if [ "$$TSY_WIN_ARCH" = win64 ]; then $(MAKE) --no-print-directory win64; fi

# The Wine part's builds: the one Wine runs here, and the shipped 32-bit kit in any case; where
# only the x86_64 build can run, the 32-bit adapter tests and driver are not built (nothing runs them).
wine-builds: deps
	@. scripts/wine-env.sh && if [ "$$TSY_WIN_ARCH" = win64 ]; then \
	   $(MAKE) --no-print-directory win32 WIN32_TARGET=kit && $(MAKE) --no-print-directory win64; \
	 else $(MAKE) --no-print-directory win32; fi

unit: native
	@ctest --test-dir $(BUILD)/native --output-on-failure

# The adapter tests (tests/win32) and the end-to-end table (tests/e2e) under Wine.
wine-tests: wine-builds
	@tests/run-wine.sh

# The native unit suite under AddressSanitizer + UBSan, and under valgrind.
sanitize: deps
	@SANITIZE_BUILD=$(BUILD)/asan JOBS=$(JOBS) tests/sanitize.sh asan

valgrind: deps
	@VALGRIND_BUILD=$(BUILD)/native JOBS=$(JOBS) tests/sanitize.sh valgrind

# Ends, also after a failure, with which Windows build the Wine part tested and the size of the
# tests against the code.
check: unit
	@$(MAKE) --no-print-directory wine-tests; rc=$$?; \
	 . scripts/wine-env.sh; if [ "$$TSY_WIN_ARCH" = win32 ]; then \
	   echo "tested: 32-bit Update.exe in a 32-bit prefix"; else echo "tested: x86_64 build under wine64"; fi; \
	 t=$$(git ls-files -z tests | xargs -0 cat | grep -cv '^\s*$$'); \
	 s=$$(git ls-files -z src | xargs -0 cat | grep -cv '^\s*$$'); \
	 echo "non-blank lines: tests/ $$t, src/ $$s, tests/src = $$(echo "scale=2; $$t / $$s" | bc)"; \
	 exit $$rc

# The performance budget (bench/run.sh): ratios against baselines measured in the same run.
bench: native win32 wintest
	@bench/run.sh

demo: win32 wintest
	@scripts/demo.sh

clean:
	rm -rf $(BUILD)
