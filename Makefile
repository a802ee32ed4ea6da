# The two commands a new user needs: `make run` and `make test`.
# Sanitizer runs build in their own folders: `make test-asan` (AddressSanitizer+UBSan, whole suite)
# and `make test-tsan` (ThreadSanitizer, the suites that run threads). `make thread-safety` has clang
# check the lock annotations. `make check` is what CI runs.
BUILD ?= build
PREFIX ?= /usr/local
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_UNITY=ON
CTEST_FLAGS = -j $(JOBS) --output-on-failure --timeout 300

# Any report ends the process with a failure, so the test fails. Leak checks run at exit.
SAN_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizers/lsan.supp:print_suppressions=0 \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/scripts/sanitizers/tsan.supp
# The test programs run with the whole test desktop required: after scripts/setup nothing of it is
# missing, so an X11 suite that cannot start its display, window manager or bus fails instead of
# skipping (tests/support/RequiredDesktop.h).
TEST_ENV = VL_REQUIRE_DISPLAY=1
# The suites that run threads of their own, by test name ("<folder>:<suite>.<test>"): whole folders,
# the main window's result hand-over, and records it shows while other threads change them. Debian's gRPC
# is not built for ThreadSanitizer: every gRPC operation starts on the loop thread that takes its
# completion, and what the gRPC libraries do among themselves is left out in scripts/sanitizers/tsan.supp,
# with the reason. The program is built too: start-up's tests run it.
TSAN_TESTS = ^((platform/dispatch|platform/system|VLEngine|capture|pins|startup|sync|sync/discovery|gRPC|lookup|think|remind):|Windows/Main:(ResultHandOverTest|RecordChangeRaceTest)[.])
TSAN_TARGETS = test_platform_dispatch test_platform_system test_VLEngine test_capture test_pins test_startup \
	test_sync test_sync_discovery test_gRPC test_lookup test_think test_remind test_Windows_Main vellisto

.PHONY: setup configure build run test bench install clean format format-check \
	configure-asan build-asan test-asan configure-tsan build-tsan test-tsan thread-safety check

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/src/app/vellisto

# `make install PREFIX=$HOME/.local` installs for one user; the programs find their resources there.
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	@cd $(BUILD) && $(TEST_ENV) ctest $(CTEST_FLAGS)

bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; \
	  "$$b" || { echo "bench: $$b failed"; exit 1; }; \
	done

configure-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_UNITY=ON -DVL_SANITIZE=address

build-asan: configure-asan
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

test-asan: build-asan
	@cd $(ASAN_BUILD) && $(TEST_ENV) $(SAN_ENV) ctest $(CTEST_FLAGS)

configure-tsan: setup
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVL_UNITY=ON -DVL_SANITIZE=thread

build-tsan: configure-tsan
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)

test-tsan: build-tsan
	@cd $(TSAN_BUILD) && $(TEST_ENV) $(SAN_ENV) ctest $(CTEST_FLAGS) -R '$(TSAN_TESTS)'

# clang's thread-safety analysis over the files that use the lock annotations; needs the compile
# commands (and generated headers) of the plain build.
thread-safety: build
	@python3 scripts/check-thread-safety --build $(BUILD) --jobs $(JOBS)

FORMAT_FILES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')

format:
	@clang-format -i $(FORMAT_FILES)

format-check: setup
	@clang-format --dry-run --Werror $(FORMAT_FILES)

check: format-check test thread-safety test-asan test-tsan

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
