# The two commands of the README: `make run` and `make test`. Everything else helps.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench tsan clean contact-sheet

all: build

deps:
	@./tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Plays in a window where a display exists; elsewhere runs a short headless demo.
run: build
	@./tools/run-game.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

bench: build
	@./tools/run-benchmarks.sh $(BUILD)

# The sound code's locking under ThreadSanitizer (a separate build folder).
tsan: deps
	@./tests/sound/run-tsan.sh

clean:
	rm -rf $(BUILD)

# PNG contact sheets of every generated picture and animation frame.
contact-sheet: configure
	@cmake --build $(BUILD) --target contact-sheet
