# make run      installs what the Linux program needs, builds it, starts it
# make test     installs what the tests need, builds, and runs every test: the
#               Linux program, the same under the sanitizers, the shipped
#               Windows zip and installer checked as files, the Windows
#               program under Wine, the web site in headless Chromium, and the
#               file readers fuzzed
# make windows  builds the Windows program and puts what ships into dist/:
#               the zip lunivar-5.3-win32.zip and the installer lunivar-5.3-win32.msi
# make web      builds the program for web browsers into dist/lunivar-5.3-web/:
#               a folder any static web server can serve
# make run-web  builds it and serves it on this machine
# make bench    prints the benchmark figures (not part of the tests)
PRESET ?= default
BUILD_DIR := build

.PHONY: deps deps-run deps-windows deps-web configure build run test test-asan test-fuzz test-windows windows windows-build web run-web bench clean

deps:
	@sh scripts/install-deps.sh test
deps-run:
	@sh scripts/install-deps.sh run
deps-windows:
	@sh scripts/install-deps.sh windows
deps-web:
	@sh scripts/install-deps.sh web

configure:
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

build: deps configure
	cmake --build --preset $(PRESET) -j2

# The program alone: not its tests, tools or benchmarks.
run: deps-run configure
	cmake --build --preset $(PRESET) -j2 --target lunivar
	./$(BUILD_DIR)/bin/lunivar

test: build web
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

web: deps-web
	@test -f build-web/build.ninja || cmake --preset web
	cmake --build --preset web -j2

# Serves the site on this machine (any static web server will do).
run-web: web
	@echo "Lunivar in the browser: http://127.0.0.1:8053/ (Ctrl+C stops the server)"
	@python3 -m http.server 8053 --bind 127.0.0.1 --directory dist/lunivar-5.3-web

bench: build web
	sh bench/run.sh

clean:
	rm -rf build build-asan build-fuzz build-windows build-windows64 build-web dist
