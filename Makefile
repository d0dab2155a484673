# The two commands of the README. Both install what they need, configure and build.
BUILD := build
JOBS  ?= 2
# The configure preset of $(BUILD): "default", or "ci" (warnings are errors).
PRESET ?= default
# The test suites that need no display, run again under the sanitizers.
SANITIZED_SUITES := platform_tests config_tests store_tests site_tests engine_tests updater_tests fuzz_replays

.PHONY: all deps build test test-asan test-tsan fuzz demo bench install uninstall clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake --preset $(PRESET)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

# The suites without a display, built and run with AddressSanitizer + UBSan (build-asan) or
# ThreadSanitizer (build-tsan); any finding fails the run. The build runs sanitized tools too.
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizers/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizers/tsan.supp:halt_on_error=1:print_suppressions=0

test-asan test-tsan: test-%: deps
	cmake --preset $* > /dev/null
	$(SANITIZER_ENV) cmake --build build-$* -j$(JOBS) --target $(SANITIZED_SUITES) artwork
	cd build-$* && $(SANITIZER_ENV) \
	  ctest --output-on-failure -j$(JOBS) --timeout 600 -L '^($(subst $() ,|,$(SANITIZED_SUITES)))$$'

# Every fuzz target for FUZZ_SECONDS each (clang, build-fuzz); see fuzz/CMakeLists.txt.
FUZZ_SECONDS ?= 60
fuzz: deps
	./scripts/fuzz.sh $(FUZZ_SECONDS)

# The demo builds the programs and the program folder only, quietly (the tests are not needed to run it).
demo: deps $(BUILD)/CMakeCache.txt
	@echo "demo: building the programs (log: $(BUILD)/demo-build.log)"
	@cmake --build $(BUILD) -j$(JOBS) --target programs > $(BUILD)/demo-build.log 2>&1 || \
	  { tail -n 30 $(BUILD)/demo-build.log; exit 1; }
	@./scripts/demo.sh

# The client for the user who builds (PREFIX, default ~/.local; see install/CMakeLists.txt).
PREFIX ?=
install: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target programs
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

uninstall:
	cmake --build $(BUILD) --target uninstall

bench: build
	./scripts/bench.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
