# The two commands of the README: `make test` and `make demo`.
PRESETS := linux linux-asan linux-tsan windows

.PHONY: test demo fuzz deps $(PRESETS:%=test-%)

test: deps
	@status=0; \
	for preset in $(PRESETS); do \
	  echo "==== $$preset ===="; \
	  tests/run-preset.sh $$preset || status=1; \
	done; \
	exit $$status

# The updater's main job on a local demo server (see README).
demo: deps
	demo/run-demo.sh

# One preset alone, for quicker rounds while working: make test-linux
$(PRESETS:%=test-%): deps
	tests/run-preset.sh $(@:test-%=%)

# Not a set-up command: runs each fuzz target for FUZZ_SECONDS (see fuzz/README.md).
FUZZ_SECONDS ?= 60
fuzz:
	@cmake/install-deps.sh fuzz
	fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

deps:
	@cmake/install-deps.sh
