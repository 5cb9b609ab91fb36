# Thin wrapper around CMake + Ninja so the usual verbs work from the top.
BUILD      ?= build
PREFIX     ?= $(HOME)/.local
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all build test run install bench fuzz clean asan

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

# Builds the binary only, not the tests.
run: $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS) --target zub >&2
	@$(BUILD)/zub $(ARGS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Sanitizer build in its own tree; .ci/run uses it. -O1 -g1 keeps the
# compile short on small CI machines while reports still name lines; the
# library's own assertions catch out-of-range indexing the sanitizers miss.
asan:
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1 -D_GLIBCXX_ASSERTIONS" -DZUB_SANITIZE=ON -DZUB_TESTS_REQUIRED=ON $(CMAKE_ARGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest -j $(JOBS) --output-on-failure

bench:
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_BENCH=ON -DZUB_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	bash bench/run_all.sh build-bench

fuzz:
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" -DZUB_FUZZ=ON -DZUB_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS)
	bash fuzz/run_all.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz
