# The front door: every target installs what it needs first.
PRESET ?= release
BUILD := build/$(PRESET)
WINDOWS := build/windows

.PHONY: all build run windows test bench clean

all: build

build:
	scripts/deps build
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) --parallel

run: build
	$(BUILD)/merong

# merong.exe, cross-built for 64-bit Windows.
windows:
	scripts/deps windows
	cmake --preset windows
	cmake --build --preset windows --parallel

test:
	scripts/deps test
	$(MAKE) --no-print-directory windows
	cmake --preset $(PRESET) -DMERONG_WINDOWS_DIR=$(CURDIR)/$(WINDOWS)
	cmake --build --preset $(PRESET) --parallel
	ctest --preset $(PRESET)

bench:
	scripts/deps test
	$(MAKE) --no-print-directory windows build
	/usr/bin/python3 bench/bench.py $(BUILD) $(WINDOWS)

clean:
	rm -rf build
