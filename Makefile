# The two commands of the README. Both install what is missing, then build.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build run test clean

setup:
	@./scripts/setup-debian.sh

build: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@./scripts/run-main.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

clean:
	@rm -rf $(BUILD_DIR)
