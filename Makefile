# The two commands of the README. Both install what they need, configure and build.
BUILD := build
JOBS  ?= 2

.PHONY: all deps build test demo bench clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake --preset default

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

demo: build
	./scripts/demo.sh

bench: build
	./scripts/bench.sh

clean:
	rm -rf $(BUILD)
