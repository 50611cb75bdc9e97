# The two commands a newcomer needs: `make run` starts Zifferbox, `make test` builds and tests.
BUILD ?= build
JOBS ?= $(shell nproc)
# make's "Entering directory" lines, of this make and of the build's own, tell a user nothing.
MAKEFLAGS += --no-print-directory
# Starting Zifferbox shows of its build only what is compiled and any warning or error, not the
# list of targets that are already up to date.
quiet_build = bash -o pipefail -c 'cmake --build $(BUILD) -j $(JOBS) --target $(1) | \
  sed -u -e "/] Built target /d" -e "/^Consolidate compiler generated dependencies/d"'

.PHONY: deps configure build test run demo bench soak dist fuzz clean

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

# Starting needs only the program and its help viewer; `make test` builds the rest.
run: configure
	@$(call quiet_build,zifferbox peghelp)
	@BUILD_DIR=$(abspath $(BUILD)) scripts/run-zifferbox.sh

# Zifferbox on a throw-away store with the sample objects of the README's pictures, in a Wine
# prefix of its own: it never meets the user's running Zifferbox.
demo: configure
	@$(call quiet_build,zifferbox peghelp seedstore)
	@BUILD_DIR=$(abspath $(BUILD)) scripts/run-zifferbox.sh --demo

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
