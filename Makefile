# The two commands a newcomer needs: `make run` starts Zifferbox, `make test` builds and tests.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run bench soak dist fuzz clean

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# `make test LABEL=unit` runs the tests of one ctest label (unit, ui, slow, acceptance).
test: build
	BUILD_DIR=$(abspath $(BUILD)) scripts/run-tests.sh $(if $(LABEL),-L '^$(LABEL)$$')

run: build
	BUILD_DIR=$(abspath $(BUILD)) scripts/run-zifferbox.sh

bench: build
	BUILD_DIR=$(abspath $(BUILD)) scripts/run-bench.sh

soak: build
	BUILD_DIR=$(abspath $(BUILD)) scripts/soak.sh

fuzz:
	BUILD_DIR=$(abspath $(BUILD)) scripts/fuzz.sh

dist: build
	BUILD_DIR=$(abspath $(BUILD)) scripts/make-dist.sh

clean:
	rm -rf $(BUILD) dist
