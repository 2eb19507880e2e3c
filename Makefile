# Everyday verbs. Each first installs what the machine lacks (tools/install-deps.sh).
SHELL := /bin/bash
JOBS ?= 2
CMAKE_QUIET := > /dev/null

.PHONY: all deps native windows windows-x86 release test test-native test-windows dist dist-x86 demo bench fuzz conformance format clean

all: dist

deps:
	@tools/install-deps.sh

native: deps
	@cmake --preset native $(CMAKE_QUIET)
	@cmake --build --preset native -j$(JOBS)

windows: deps
	@cmake --preset windows $(CMAKE_QUIET)
	@cmake --build --preset windows -j$(JOBS)

windows-x86: deps
	@cmake --preset windows-x86 $(CMAKE_QUIET)
	@cmake --build --preset windows-x86 -j$(JOBS) --target Wallweaver Wovenset Wovenlite Wovenplay wallweaver-cli

release: deps
	@cmake --preset release $(CMAKE_QUIET)
	@cmake --build --preset release -j$(JOBS) --target wallweaver-cli make_sample_movie make_clock_movie

test-native: native
	@ctest --preset native -j$(JOBS)

# Windows tests run under Wine, with windows on a private X server, one suite
# at a time: suites sharing the X server disturb each other's windows. A suite
# that fails is run once more: under load, Wine's X server now and then drops
# a window's drawing (an X error), and only a second failure counts.
test-windows: windows
	@WINEPREFIX=$(CURDIR)/build/windows/wineprefix tools/with-display.sh ctest --preset windows --repeat until-pass:2

test: test-native test-windows

dist: windows release
	@tools/make-dist.sh build/windows/bin build/release/bin dist

# The same programs for 32-bit Windows, for whoever still needs them; no
# machine of ours runs their tests.
dist-x86: windows-x86 release
	@tools/make-dist.sh build/windows-x86/bin build/release/bin dist-x86

demo: dist
	@tools/demo.sh dist build/windows

bench: deps
	@cmake --preset bench $(CMAKE_QUIET)
	@cmake --build --preset bench -j$(JOBS)
	@tools/run-bench.sh build/bench
	@cmake --preset windows $(CMAKE_QUIET)
	@cmake --build --preset windows -j$(JOBS) --target Wovenlite Wovenset Wovenplay Wallweaver wallweaver-cli
	@echo "== program sizes"
	@tools/program-sizes.sh build/windows/bin build/bench/bin

fuzz: deps
	@cmake --preset fuzz $(CMAKE_QUIET)
	@cmake --build --preset fuzz -j$(JOBS)
	@tools/run-fuzz.sh build/fuzz

# The public suite's image tests drawn by our renderer, judged by the suite's
# rule and ours; UPDATE=1 rewrites the list of tests make test keeps passing.
CONFORMANCE_DIR ?= ../shared/conformance
conformance:
	@if [ ! -d "$(CONFORMANCE_DIR)" ]; then \
	  echo "No conformance corpus at $(CONFORMANCE_DIR): nothing to run."; exit 0; fi; \
	  $(MAKE) --no-print-directory deps && \
	  cmake --preset release $(CMAKE_QUIET) && \
	  cmake --build --preset release -j$(JOBS) --target conformance_runner $(CMAKE_QUIET) && \
	  build/release/bin/conformance_runner --corpus $(CONFORMANCE_DIR) \
	    $(if $(UPDATE),--write-passing tests/conformance/passing.txt)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build dist dist-x86
