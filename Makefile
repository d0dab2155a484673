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

# The demo builds the programs and the program folder only, quietly (the tests are not needed to run it).
demo: deps $(BUILD)/CMakeCache.txt
	@echo "demo: building the programs (log: $(BUILD)/demo-build.log)"
	@cmake --build $(BUILD) -j$(JOBS) --target programs > $(BUILD)/demo-build.log 2>&1 || \
	  { tail -n 30 $(BUILD)/demo-build.log; exit 1; }
	@./scripts/demo.sh

bench: build
	./scripts/bench.sh

clean:
	rm -rf $(BUILD)
