# The two commands of the README. Both install what is missing, then build.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

FUZZ_DIR ?= build-fuzz

.PHONY: setup build run test fuzz clean

setup:
	@./scripts/setup-debian.sh

build: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@./scripts/run-main.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# Builds the fuzz targets with clang and libFuzzer in their own tree and
# explores each with a fixed seed and run count (scripts/run-fuzz.sh).
fuzz: setup
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTW_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target tw_fuzz_targets
	@./scripts/run-fuzz.sh $(FUZZ_DIR)

clean:
	@rm -rf $(BUILD_DIR) $(FUZZ_DIR)
