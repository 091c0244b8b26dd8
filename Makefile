# The two set-up commands: `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: run test deps build build-asan build-tsan test-asan test-tsan clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVLIN_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Opens the window where there is a display; elsewhere converts a generated
# sample book with the command-line converter and says where it is.
run: build
	@bash scripts/run.sh $(BUILD)

# AddressSanitizer + UBSan over everything, ThreadSanitizer over the engine.
build-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTAVLIN_SANITIZE=address >/dev/null
	@cmake --build build-asan -j $(JOBS)

build-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTAVLIN_SANITIZE=thread -DTAVLIN_BUILD_UI=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS)

test-asan: build-asan
	@cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE tsan-only

test-tsan: build-tsan
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS) -L concurrency

test: deps
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan

clean:
	rm -rf $(BUILD) build-asan build-tsan
