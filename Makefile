# make run      installs what is missing, builds, and starts the program
# make test     installs what is missing, builds, and runs every test: the
#               Linux program, the same under the sanitizers, and the
#               Windows program under Wine
# make windows  builds the Windows program: dist/lunivar-5.3-win32.zip
# make bench    prints the benchmark figures (not part of the tests)
PRESET ?= default
BUILD_DIR := build

.PHONY: deps configure build run test test-asan test-windows windows windows-build bench clean

deps:
	@sh scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j2

run: build
	./$(BUILD_DIR)/bin/lunivar

test: build windows-build
	ctest --preset $(PRESET) -j2
	$(MAKE) --no-print-directory test-windows
	$(MAKE) --no-print-directory test-asan

test-asan: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build --preset asan -j2
	ctest --preset asan -j2 -LE nosan

windows-build: deps
	@test -f build-windows/build.ninja || cmake --preset windows
	cmake --build --preset windows -j2

windows: windows-build
	cmake --build --preset windows --target dist

# Wine runs the shipped 32-bit program where this machine can run 32-bit code,
# else the same program built for 64 bits (scripts/wine-preset.sh).
test-windows: deps
	@p=$$(sh scripts/wine-preset.sh); \
	 test -f build-$$p/build.ninja || cmake --preset $$p; \
	 cmake --build --preset $$p -j2 && ctest --preset $$p

bench: build
	sh bench/run.sh

clean:
	rm -rf build build-asan build-windows build-windows64 dist
