# Two verbs: `make run` builds and starts the window on the simulated unit,
# `make test` builds and runs the whole test suite. Both install what is missing first.
BUILD ?= build
JOBS ?= 2

.PHONY: deps build run test clean

deps:
	./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/bin/velmora --simulate

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD)
