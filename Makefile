# Two entry points for a fresh machine:
#   make demo   build in Release, install the plug-in into ~/.clap, render the demo
#   make test   build and run every test (but the full-range ones: ctest -L full-range)
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Ninja starts a target's compilations without waiting for the targets it links;
# a build folder keeps the generator it was first configured with.
export CMAKE_GENERATOR ?= Ninja

.PHONY: deps build test figures demo clean
# Plain `make` builds (and runs nothing).
.DEFAULT_GOAL := build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE full-range

# The READMEs' figure tables, filled from the figures the tests just recorded.
figures: test
	python3 scripts/figure-tables.py $(BUILD)

demo:
	bash scripts/demo.sh

# Both build folders: the tests' (BUILD) and the demo's Release build.
clean:
	rm -rf $(BUILD) build-release
