# The front door: `make test` on a fresh Debian machine installs what is missing,
# builds under AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.

PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n \
            imagemagick fonts-arphic-uming xvfb xauth xxd pkgconf libspng-dev libgif-dev
# The Windows build: Debian's MinGW-w64 cross compiler, zlib for it, GoogleTest's sources,
# Wine to run the tests, dpkg-dev to unpack the sources of libspng and giflib, what the
# command line's tests use (ImageMagick, xxd), and Qt's headers, against which the desktop
# program's sources are compiled for Windows.
WINDOWS_PACKAGES := cmake ninja-build g++-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine64 \
                    dpkg-dev ca-certificates imagemagick xxd qt6-base-dev
WINDOWS_SOURCES := build/windows-sources
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build test test-clang lint bench run fuzz windows test-windows screenshots clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  sudo=; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  echo "Installing:" $$missing; \
	  $$sudo apt-get update && \
	  $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

test: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The same tests built with clang, which the design promises beside g++.
test-clang:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang"
	cmake --preset clang
	cmake --build --preset clang -j $(JOBS)
	ctest --preset clang -j $(JOBS)

# The house format and the checks of .clang-tidy over every source; fails on any finding.
# clang-tidy reads the dev build's compile commands, after a build has made the
# generated headers. Sign changes are left to the compilers' own -Wconversion.
LINT_FOLDERS := app|cli|folders|formats|maker|os|palette|res|ui|viewer|tools|tests|benchmarks
lint:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang-format clang-tidy"
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	run-clang-tidy -p build/dev -j $(JOBS) -quiet -extra-arg=-Wno-sign-conversion '$(CURDIR)/($(LINT_FOLDERS))/'

run: deps
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); try: xvfb-run -a make run"; exit 1; fi
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	cd samples && ../build/dev/app/zandrel

# The README's pictures, rendered offscreen from the dialogs themselves into docs/.
screenshots: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS) --target zandrel-screenshots
	QT_QPA_PLATFORM=offscreen ./build/dev/tests/gui/zandrel-screenshots docs

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	./build/release/benchmarks/zandrel-bench --benchmark_counters_tabular=true

# Every fuzz target for FUZZ_SECONDS, one after the other, on one core. New inputs go
# to build/fuzz/corpus/TARGET; the seeds in tests/fuzz/corpus/TARGET are only read.
FUZZ_TARGETS := fuzz_sprite fuzz_images fuzz_palette fuzz_png
FUZZ_SECONDS ?= 60
FUZZ_FLAGS ?=

fuzz:
	@command -v clang++ >/dev/null || $(MAKE) deps PACKAGES=clang
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$target build/fuzz/findings/$$target && \
	  echo "== $$target for $(FUZZ_SECONDS) s" && \
	  ./build/fuzz/tests/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build/fuzz/findings/$$target/ $(FUZZ_FLAGS) \
	    build/fuzz/corpus/$$target tests/fuzz/corpus/$$target || exit 1; \
	done

# zandrel-cli.exe and the logic tests for 64-bit Windows, in build/windows; the tests
# and the command line's contract tests then run under Wine.
windows:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"
	cmake/fetch-windows-sources.sh $(WINDOWS_SOURCES)
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)

test-windows: windows
	ctest --preset windows -j $(JOBS)

clean:
	rm -rf build
