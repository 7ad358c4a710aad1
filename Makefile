# The two commands: `make run` builds and starts the program, `make test` builds and runs
# every test. Both install whatever Debian packages are missing first.
.PHONY: run test build deps sanitizer-test clean

BUILD := build
JOBS ?= 2

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset dev >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@bash scripts/sanitizer-tests.sh

clean:
	rm -rf build build-asan build-tsan build-fuzz build-fuzz-cov
