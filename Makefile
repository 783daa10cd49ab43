# make run   - install what is missing, build, and start the intro in a window
# make test  - install what is missing, build, and run every test headless
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test deps build asan tsan fuzz bench clean

deps:
	@tools/deps.sh

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/zint -windowed

test: build
	cd $(BUILD_DIR) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DZINT_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) -L unit

# Threaded tests under ThreadSanitizer.
tsan: deps
	cmake -S . -B build-tsan -DZINT_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) -L threads

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan build-fuzz
