# The two commands of a newcomer: `make run` and `make test`.
BUILD   ?= build
ARGS    ?=
WERROR  := $(if $(filter true,$(CI)),ON,OFF)
JOBS    ?= $(shell nproc)

.PHONY: all deps deps-run deps-test deps-package configure configure-run build build-run run \
	test test-sanitize bench fuzz package clean web run-web

all: build

# The Debian packages by group (scripts/install-deps.sh): `make run` needs only the first.
deps-run:
	@bash scripts/install-deps.sh run
deps-test:
	@bash scripts/install-deps.sh run test
deps-package:
	@bash scripts/install-deps.sh run package
deps:
	@bash scripts/install-deps.sh

CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORNEL_WERROR=$(WERROR) > /dev/null

configure-run: deps-run
	@$(CONFIGURE)
configure: deps-test
	@$(CONFIGURE)

# Only the two programs and their private modules: no tests, fuzz targets, benchmarks.
RUN_TARGETS := tornel4 tornel4-cli tornel4-sound tornel4-hamlib tornel4-charts
build-run: configure-run
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)

build: configure
	@QT_QPA_PLATFORM=offscreen cmake --build $(BUILD) -j $(JOBS)

run: build-run
	cd $(BUILD) && ./tornel4 $(ARGS)

# CTest's summary names the skipped tests; their reasons are printed after it, from its report.
test: build
	@cd $(BUILD) && { QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) \
	    --output-junit ctest-report.xml; status=$$?; \
	  bash $(CURDIR)/scripts/skip-reasons.sh ctest-report.xml; exit $$status; }

# The browser edition: build/web/, a folder of static files for any web server.
web: configure
	@NODE_PATH=/usr/share/nodejs cmake --build $(BUILD) --target web

# Builds the page and serves it on this computer; the address is printed.
WEB_PORT ?= 8321
run-web: web
	@node web/tools/serve.mjs $(BUILD)/web $(WEB_PORT)

# The unit and window tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer
# in a build folder of their own. The environment also reaches the test discovery in the build.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV := QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0

test-sanitize: deps-test
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTORNEL_WERROR=$(WERROR) -DTORNEL_SANITIZE=ON > /dev/null
	@$(SANITIZE_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest -L 'unit|gui' --output-on-failure -j $(JOBS)

bench: build web
	@for b in $(BUILD)/tornel4-bench $(BUILD)/tornel4-gui-bench; do \
	  if [ -x $$b ]; then QT_QPA_PLATFORM=offscreen $$b --benchmark_counters_tabular=true; fi; done
	@node bench/web_bench.mjs $(BUILD)/web

FUZZ_SECONDS ?= 600

# Every fuzz target for FUZZ_SECONDS, one after the other; then each one's executions and coverage.
fuzz: build
	@cd $(BUILD) && rm -f fuzz/*.summary && \
	  { TORNEL_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -L fuzz --output-on-failure; status=$$?; \
	    cat fuzz/*.summary; exit $$status; }

# The Debian package build/tornel4_<version>_<arch>.deb (see README, "Install as a package").
package: deps-package configure-run
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS) tornel_compressed_docs
	@cd $(BUILD) && cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@ls $(BUILD)/tornel4_*.deb

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
