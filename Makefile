# make run   installs what is missing, builds, and starts the program
# make test  installs what is missing, builds, and runs every test
# make bench prints the benchmark figures (not part of the tests)
PRESET ?= default
BUILD_DIR := build

.PHONY: deps configure build run test test-asan bench clean

deps:
	@sh scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j2

run: build
	./$(BUILD_DIR)/bin/lunivar

test: build
	ctest --preset $(PRESET) -j2
	$(MAKE) --no-print-directory test-asan

test-asan: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build --preset asan -j2
	ctest --preset asan -j2 -LE nosan

bench: build
	sh bench/run.sh

clean:
	rm -rf build build-asan
