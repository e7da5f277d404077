# The front door: `make test` on a fresh Debian machine installs what is missing,
# builds under AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.

PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev time \
            qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n \
            imagemagick fonts-arphic-uming xvfb xauth xxd pkgconf libspng-dev libgif-dev \
            xdg-utils shared-mime-info libglib2.0-bin
# The Windows build: Debian's MinGW-w64 cross compiler, zlib for it, GoogleTest's sources,
# Wine to run the tests, dpkg-dev to unpack the sources of libspng and giflib, what the
# command line's tests use (ImageMagick, xxd), and Qt's headers, against which the desktop
# program's sources are compiled for Windows.
WINDOWS_PACKAGES := cmake ninja-build g++-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine64 \
                    dpkg-dev ca-certificates imagemagick xxd qt6-base-dev qt6-base-dev-tools \
                    qt6-translations-l10n
# The drive of Zandrel.exe under Wine: an X server, a window manager, a robot to type
# and click, a CJK font for Wine, and ImageMagick for the screenshots.
DRIVE_PACKAGES := xvfb xauth openbox xdotool x11-utils fonts-arphic-uming imagemagick
LIBRARY_SOURCES := build/library-sources
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build test test-clang test-tsan lint bench bench-smoke run fuzz windows test-windows test-windows-gui \
        drive-windows screenshots clean

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

# The logic and command line tests under ThreadSanitizer: the export's thread pool and
# the batch's sprites side by side. A race fails the test it shows in.
test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --preset tsan -j $(JOBS)

# The house format and the checks of .clang-tidy over every source; fails on any finding.
# clang-tidy reads the dev build's compile commands, after a build has made the
# generated headers; the benchmarks, which only the release build has, are read from
# its compile commands. Sign changes are left to the compilers' own -Wconversion.
LINT_FOLDERS := app|cli|folders|formats|maker|os|palette|res|ui|viewer|tools|tests
lint:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang-format clang-tidy"
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	run-clang-tidy -p build/dev -j $(JOBS) -quiet -extra-arg=-Wno-sign-conversion '$(CURDIR)/($(LINT_FOLDERS))/'
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	run-clang-tidy -p build/release -j $(JOBS) -quiet -extra-arg=-Wno-sign-conversion '$(CURDIR)/benchmarks/'

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

# Every benchmark once, in one short round each, so that one that breaks fails CI.
# Timings are not judged here. (Google Benchmark 1.7 takes the time in plain seconds.)
bench-smoke: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	ZANDREL_BENCH_QUICK=1 ./build/release/benchmarks/zandrel-bench --benchmark_min_time=0.01

# Every fuzz target for FUZZ_SECONDS, one after the other, on one core. New inputs go
# to build/fuzz/corpus/TARGET; the seeds in tests/fuzz/corpus/TARGET are only read.
FUZZ_TARGETS := fuzz_sprite fuzz_images fuzz_palette fuzz_png
FUZZ_SECONDS ?= 60
FUZZ_FLAGS ?=

fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang dpkg-dev ca-certificates"
	cmake/fetch-library-sources.sh $(LIBRARY_SOURCES)
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$target build/fuzz/findings/$$target && \
	  echo "== $$target for $(FUZZ_SECONDS) s" && \
	  ./build/fuzz/tests/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build/fuzz/findings/$$target/ $(FUZZ_FLAGS) \
	    build/fuzz/corpus/$$target tests/fuzz/corpus/$$target || exit 1; \
	done

# Everything for 64-bit Windows in build/windows: zandrel-cli.exe, Zandrel.exe (the
# desktop program, against a Qt for MinGW that cmake/build-windows-qt.sh builds once per
# machine into ~/.cache/zandrel, taking the better part of an hour the first time), the
# tests, the portable folder build/windows/dist/Zandrel and its zip.
windows:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"
	cmake/fetch-library-sources.sh $(LIBRARY_SOURCES)
	qt=$$(nice -n 10 cmake/build-windows-qt.sh | tail -n 1) && \
	  cmake --preset windows -DZANDREL_GUI=ON -DZANDREL_QT_MINGW="$$qt"
	cmake --build --preset windows -j $(JOBS)

# The logic tests and the command line's tests under Wine. They need no Qt: when Qt for
# MinGW is not built yet, this builds without the desktop program rather than wait for it.
test-windows:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"
	cmake/fetch-library-sources.sh $(LIBRARY_SOURCES)
	if qt=$$(cmake/build-windows-qt.sh --cached); then \
	  cmake --preset windows -DZANDREL_GUI=ON -DZANDREL_QT_MINGW="$$qt"; \
	else \
	  cmake --preset windows -DZANDREL_GUI=OFF; \
	fi
	cmake --build --preset windows -j $(JOBS)
	ctest --preset windows -LE gui -j $(JOBS)

# The desktop program's tests (dialogs, viewer, maker, palette, folders, images) as .exe
# files under Wine, on Qt's offscreen platform.
test-windows-gui: windows
	ctest --preset windows -L gui -j $(JOBS)

# Zandrel.exe driven under Wine on a virtual X display the way a user would: launcher,
# viewer, the Windows open dialog, export of all frames, the maker. Leaves its
# screenshots in build/windows/drive.
drive-windows: windows
	@$(MAKE) --no-print-directory deps PACKAGES="$(DRIVE_PACKAGES)"
	tests/windows/drive.sh build/windows

clean:
	rm -rf build
