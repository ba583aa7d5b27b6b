# The front door: every target installs what it needs first.
PRESET ?= release
BUILD := build/$(PRESET)

.PHONY: all build run test bench clean

all: build

build:
	scripts/deps build
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) --parallel

run: build
	$(BUILD)/merong

test:
	scripts/deps test
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) --parallel
	ctest --preset $(PRESET)

bench: build
	/usr/bin/python3 bench/bench.py $(BUILD)

clean:
	rm -rf build
