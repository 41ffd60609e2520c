# Front door: `make demo` runs the main job under Wine; `make check` runs every test.
# Both install what they need first (Debian packages, through scripts/install-deps.sh).
JOBS ?= 2
BUILD ?= build
APP_KEY ?= TSYPRO_3

.PHONY: all deps native win32 win64 wintest check unit wine-tests demo clean

all: native win32

deps:
	@scripts/install-deps.sh

native: deps
	@cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)/native -j$(JOBS)

win32: deps
	@cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DTSY_APP_KEY=$(APP_KEY) >/dev/null
	@cmake --build $(BUILD)/win32 -j$(JOBS)

win64: deps
	@cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DTSY_APP_KEY=$(APP_KEY) >/dev/null
	@cmake --build $(BUILD)/win64 -j$(JOBS)

# The Windows build that Wine can run on this machine (see scripts/wine-env.sh).
wintest: deps
	@. scripts/wine-env.sh; if [ "$$TSY_WIN_ARCH" = win64 ]; then $(MAKE) --no-print-directory win64; fi

unit: native
	@ctest --test-dir $(BUILD)/native --output-on-failure

wine-tests: win32 wintest
	@scripts/run-wine-tests.sh

check: unit wine-tests

demo: win32 wintest
	@scripts/demo.sh

clean:
	rm -rf $(BUILD)
