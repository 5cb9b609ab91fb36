# Thin wrapper around CMake + Ninja so the usual verbs work from the top.
BUILD      ?= build
PREFIX     ?= $(HOME)/.local
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all build test test-fast run install uninstall deb bench fuzz fuzz-replay clean asan tsan check

all: build

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >&2

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Asks for the tests outright, so a build tree first configured without
# GoogleTest gains them once it is installed.
test:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_TESTS_REQUIRED=ON $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

# The loop to run while working: every test but the hardening ones (ctest
# label "hardening"), which take most of the suite's time; only the binaries
# it runs are built (ctest's stand-in for the unbuilt hardening binary is
# left out by name). `make test` and CI run them all.
test-fast:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_TESTS_REQUIRED=ON $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target zub zub_extras zub_tests
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure -LE hardening -E '^zub_hardening_tests_NOT_BUILT$$'

# What needs no build: the house format and the direction of includes.
check:
	bash tools/check_format.sh
	bash tools/check_layers.sh

# Builds the binary only, not the tests.
run: $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS) --target zub >&2
	@$(BUILD)/zub $(ARGS)

# The list of what was installed is kept apart from CMake's own
# install_manifest.txt, which `make deb` (cpack) overwrites with the paths
# of its staging directory.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	cp $(BUILD)/install_manifest.txt $(BUILD)/zub_installed.txt

# Removes what the last `make install` from this build tree put in place,
# by its list (the install manifest), and zub's own doc directory when left
# empty; shared directories (bin, man1, the completion directories) stay.
uninstall:
	@test -f $(BUILD)/zub_installed.txt || { echo "make uninstall: $(BUILD)/zub_installed.txt 가 없다 (make install 을 이 빌드 트리로 하지 않았다)" >&2; exit 1; }
	@while IFS= read -r f || [ -n "$$f" ]; do \
	  if [ -e "$$f" ] || [ -L "$$f" ]; then rm -f -- "$$f" && echo "removed $$f"; fi; \
	  d=$$(dirname -- "$$f"); [ "$${d##*/}" = zub ] && rmdir -- "$$d" 2>/dev/null; true; \
	done < $(BUILD)/zub_installed.txt
	@rm -f $(BUILD)/zub_installed.txt

# The Debian package (binary, man page, completion, copyright, changelog)
# in $(BUILD)/; check it with `lintian $(BUILD)/zub_*.deb`.
deb: build
	cd $(BUILD) && cpack -G DEB

# One clang tree with ASan and UBSan serves both the sanitizer run of the
# tests and the libFuzzer targets (built with fuzzer-no-link everywhere, so
# the tests and the targets share every object). -O1 -g1 keeps the compile
# short on small CI machines while reports still name lines; the library's
# own assertions catch out-of-range indexing the sanitizers miss.
SANITIZED_TREE = CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=None \
	-DCMAKE_CXX_FLAGS="-O1 -g1 -D_GLIBCXX_ASSERTIONS" -DZUB_SANITIZE=ON -DZUB_FUZZ=ON \
	-DZUB_TESTS_REQUIRED=ON $(CMAKE_ARGS)
asan:
	$(SANITIZED_TREE)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest -j $(JOBS) --output-on-failure

# ThreadSanitizer over the tests of the code that runs threads or races
# other processes: grep and map (parallel_for), child processes, the fetch
# batch and its cache, web, and the concurrency tests. The zub those tests
# start is built with it too, so a race in the tool fails its test.
TSAN_TESTS ?= ^(ParallelFor|Process|Grep[A-Za-z]*|MapTest|Fetch[A-Za-z]*|CacheCommand|WebCommand|HardeningConcurrency|HardeningFetch)\.
tsan:
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" -DZUB_TSAN=ON -DZUB_TESTS_REQUIRED=ON $(CMAKE_ARGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && ctest -j $(JOBS) --output-on-failure -R '$(TSAN_TESTS)'

bench:
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_BENCH=ON -DZUB_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	bash bench/run_all.sh build-bench

# Every stored seed of every target, run once (-runs=0): the gate CI uses.
fuzz-replay:
	$(SANITIZED_TREE)
	cmake --build build-asan -j $(JOBS) --target fuzz_targets
	bash fuzz/run_all.sh build-asan replay

# Timed exploration from the seeds, FUZZ_SECONDS (default 30) per target.
fuzz:
	$(SANITIZED_TREE)
	cmake --build build-asan -j $(JOBS) --target fuzz_targets
	bash fuzz/run_all.sh build-asan $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-bench
