# The two commands of a newcomer: `make run` and `make test`.
BUILD   ?= build
ARGS    ?=
WERROR  := $(if $(filter true,$(CI)),ON,OFF)
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build run test bench fuzz package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORNEL_WERROR=$(WERROR) > /dev/null

build: configure
	@QT_QPA_PLATFORM=offscreen cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./tornel4 $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/tornel4-bench $(BUILD)/tornel4-gui-bench; do \
	  if [ -x $$b ]; then QT_QPA_PLATFORM=offscreen $$b --benchmark_counters_tabular=true; fi; done

FUZZ_SECONDS ?= 600

fuzz: build
	cd $(BUILD) && TORNEL_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -L fuzz --output-on-failure

# The Debian package build/tornel4_<version>_<arch>.deb (see README, "Install as a package").
package: build
	@cd $(BUILD) && cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@ls $(BUILD)/tornel4_*.deb

clean:
	rm -rf $(BUILD)
