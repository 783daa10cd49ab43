# make run      - install what the intro needs, build only it, and start it in a window
# make test     - install everything, build everything, and run every test headless
# make release  - the whole tree as a Release build (warnings are errors there
#                 too), and its unit tests
# make package  - build/zint_<version>_amd64.deb
# make install  - the package's files under PREFIX (default /usr/local)
# make web      - build-web/: the intro as a page (index.html, zint.js, zint.wasm)
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
PACKAGE_TARGETS = zint zint-capture xmrender zint_package_files

# A new build folder leaves the tests out, so the intro needs neither
# GoogleTest nor Google Benchmark; `make test` turns them on.
CONFIGURE = [ -f $(BUILD_DIR)/CMakeCache.txt ] && [ -z "$(CMAKE_FLAGS)" ] || \
	cmake -S . -B $(BUILD_DIR) -DZINT_TESTS=OFF $(CMAKE_FLAGS)

.PHONY: run test release deps build package install web asan tsan fuzz bench clean

deps:
	@tools/deps.sh test

build: deps
	cmake -S . -B $(BUILD_DIR) -DZINT_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run:
	@tools/deps.sh run
	@$(CONFIGURE)
	cmake --build $(BUILD_DIR) --target zint -j $(JOBS)
	./$(BUILD_DIR)/zint -windowed

test: build
	cd $(BUILD_DIR) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)

# The optimiser warns about things the default build does not see; the unit
# tests run once more on the optimised code.
release: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
	cmake --build build-release -j $(JOBS)
	cd build-release && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) -L unit

package:
	@tools/deps.sh package
	@$(CONFIGURE)
	cmake --build $(BUILD_DIR) --target $(PACKAGE_TARGETS) -j $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB

install:
	@tools/deps.sh package
	@$(CONFIGURE)
	cmake --build $(BUILD_DIR) --target $(PACKAGE_TARGETS) -j $(JOBS)
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The browser build. Debian's emcc finds its acorn module only on this path.
WEB_ENV = NODE_PATH=/usr/share/nodejs
web:
	@tools/deps.sh web
	[ -f build-web/CMakeCache.txt ] || $(WEB_ENV) emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel
	$(WEB_ENV) cmake --build build-web --target zint -j $(JOBS)
	@echo "build-web/: serve it with  python3 -m http.server -d build-web -b 127.0.0.1 8000"

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DZINT_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		ctest --output-on-failure -j $(JOBS) -L unit

# Threaded tests under ThreadSanitizer.
tsan: deps
	cmake -S . -B build-tsan -DZINT_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS) -L threads

# Every benchmark once (speed targets are checked here, never in tests).
bench: build
	for b in $(BUILD_DIR)/*_bench; do SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy $$b || exit 1; done

# The loader's fuzzer, seeded with the tests' modules, the production's module
# and the Debian corpus, for FUZZ_SECONDS (new inputs it finds are kept in
# build-fuzz/corpus).
FUZZ_SECONDS ?= 120
FUZZ_PACKAGES = bomberclone-data flobopuyo vodovod njam-data gemdropx
fuzz: deps
	cmake -S . -B build-fuzz -DZINT_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS)
	build-fuzz/xm_fuzz_seeds build-fuzz/seeds
	cp data/module.xm build-fuzz/seeds/production.xm
	tests/music/fetch_corpus.sh . build-fuzz/xm-corpus $(FUZZ_PACKAGES)
	mkdir -p build-fuzz/corpus
	build-fuzz/xm_loader_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=build-fuzz/ \
		build-fuzz/corpus build-fuzz/seeds build-fuzz/xm-corpus

clean:
	rm -rf $(BUILD_DIR) build-release build-asan build-tsan build-fuzz build-web
