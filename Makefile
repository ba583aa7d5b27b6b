# The front door: every target installs what it needs first.
PRESET ?= release
BUILD := build/$(PRESET)
WINDOWS := build/windows
WEB := build/web
# Builds are reproducible: what carries a time carries the last commit's.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || echo 0)
export SOURCE_DATE_EPOCH

.PHONY: all build run windows web package test bench soak fuzz matrix screenshots clean

all: build

build:
	scripts/deps build
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) --parallel

run: build
	$(BUILD)/games/merong

# merong.exe, cross-built for 64-bit Windows.
windows:
	scripts/deps windows
	cmake --preset windows
	cmake --build --preset windows --parallel

# merong.html, the program in a web page: one file.
web:
	scripts/deps web
	NODE_PATH=/usr/share/nodejs cmake --preset web
	NODE_PATH=/usr/share/nodejs cmake --build --preset web --parallel

# What users get, side by side in build/packages: a Debian package, a zip of
# merong.exe, and merong.html.
package:
	$(MAKE) --no-print-directory windows build web
	cd $(BUILD) && cpack
	cd $(WINDOWS) && cpack
	mkdir -p build/packages
	cp $(BUILD)/merong_*.deb $(WINDOWS)/merong-*-win64.zip $(WEB)/merong.html build/packages/

test:
	scripts/deps test
	$(MAKE) --no-print-directory windows web
	cmake --preset asan
	cmake --build --preset asan --parallel --target merong
	cmake --preset $(PRESET) -DMERONG_WINDOWS_DIR=$(CURDIR)/$(WINDOWS) \
	  -DMERONG_ASAN_DIR=$(CURDIR)/build/asan -DMERONG_WEB_DIR=$(CURDIR)/$(WEB)
	cmake --build --preset $(PRESET) --parallel
	cd $(BUILD) && cpack
	cd $(WINDOWS) && cpack
	ctest --preset $(PRESET)

bench:
	scripts/deps test
	$(MAKE) --no-print-directory windows build web
	/usr/bin/python3 bench/bench.py $(BUILD) $(WINDOWS)
	cd tests/web && MERONG_HTML=$(CURDIR)/$(WEB)/merong.html node ../../bench/web.mjs

# Long runs: 10,000 boxes on the terminal, 1,000 windows; nothing may grow.
soak: build
	scripts/deps test
	cd tests/e2e && MERONG=$(CURDIR)/$(BUILD)/games/merong MERONG_LONG_BOXES=10000 \
	  MERONG_LONG_WINDOWS=1000 /usr/bin/python3 -m unittest -v test_long

# The fuzz targets with libFuzzer, FUZZ_SECONDS each (the suite only replays
# their corpora); what they find new goes to build/fuzz/found.
FUZZ_SECONDS ?= 120
fuzz:
	scripts/deps test
	cmake --preset fuzz
	cmake --build --preset fuzz --parallel --target fuzz_input fuzz_layout fuzz_codepage
	for target in input layout codepage; do \
	  mkdir -p build/fuzz/found/$$target && \
	  (cd build/fuzz && tests/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) \
	    found/$$target $(CURDIR)/tests/fuzz/corpus/$$target) || exit 1; \
	done

# The README's table of what the tests tried and what held, from the last
# "make test".
matrix:
	scripts/matrix $(BUILD)/matrix

# The README's pictures, taken by the tests' own tooling.
screenshots:
	scripts/deps test
	$(MAKE) --no-print-directory windows build web
	cd tests/e2e && MERONG=$(CURDIR)/$(BUILD)/games/merong MERONG_WINDOWS=$(CURDIR)/$(WINDOWS) \
	  MERONG_PICTURES=$(CURDIR)/docs/pictures /usr/bin/python3 -m unittest \
	  test_xterm test_desktop.Desktop.test_greeting_shows_its_text \
	  test_wine.Sequence.test_greeting_bytes_are_the_same_under_any_code_page
	cd tests/web && MERONG_HTML=$(CURDIR)/$(WEB)/merong.html MERONG_PICTURES=$(CURDIR)/docs/pictures \
	  node --test --test-name-pattern="greets a ko-KR browser in" test_page.mjs

clean:
	rm -rf build
