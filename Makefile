# make run      installs what the Linux program needs, builds it, starts it
# make test     installs what the tests need, builds, and runs every test: the
#               Linux program, the same under the sanitizers, the shipped
#               Windows zip and installer checked as files, the Windows
#               program under Wine, and the file readers fuzzed
# make windows  builds the Windows program and puts what ships into dist/:
#               the zip lunivar-5.3-win32.zip and the installer lunivar-5.3-win32.msi
# make bench    prints the benchmark figures (not part of the tests)
PRESET ?= default
BUILD_DIR := build

.PHONY: deps deps-run deps-windows configure build run test test-asan test-fuzz test-windows windows windows-build bench clean

deps:
	@sh scripts/install-deps.sh test
deps-run:
	@sh scripts/install-deps.sh run
deps-windows:
	@sh scripts/install-deps.sh windows

configure:
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

build: deps configure
	cmake --build --preset $(PRESET) -j2

# The program alone: not its tests, tools or benchmarks.
run: deps-run configure
	cmake --build --preset $(PRESET) -j2 --target lunivar
	./$(BUILD_DIR)/bin/lunivar

test: build
	ctest --preset $(PRESET) -j2
	$(MAKE) --no-print-directory test-windows
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory test-fuzz

# The file readers under libFuzzer, 25 seconds a harness.
test-fuzz: deps
	@test -f build-fuzz/build.ninja || cmake --preset fuzz
	cmake --build --preset fuzz -j2
	ctest --preset fuzz -j2

test-asan: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build --preset asan -j2
	ctest --preset asan -j2 -LE nosan

windows-build: deps-windows
	@test -f build-windows/build.ninja || cmake --preset windows
	cmake --build --preset windows -j2

windows: windows-build
	cmake --build --preset windows --target dist

# The shipped 32-bit zip and installer are checked as files on every machine;
# Wine then runs the shipped program where this machine runs 32-bit code,
# else the same program built for 64 bits (scripts/wine-preset.sh says which
# and why; LUNIVAR_WINE_PRESET=windows64 picks the 64-bit one anyway).
test-windows: deps windows-build
	ctest --preset windows -L dist
	@p=$$(sh scripts/wine-preset.sh); \
	 test -f build-$$p/build.ninja || cmake --preset $$p; \
	 cmake --build --preset $$p -j2 && ctest --preset $$p -L e2e

bench: build
	sh bench/run.sh

clean:
	rm -rf build build-asan build-fuzz build-windows build-windows64 dist
