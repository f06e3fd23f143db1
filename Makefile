# The two commands of the README: `make test` and `make demo`.
PRESETS := linux linux-asan linux-tsan windows

.PHONY: test demo deps $(PRESETS:%=test-%)

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

deps:
	@cmake/install-deps.sh
