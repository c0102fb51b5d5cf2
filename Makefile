# Two commands set everything up: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup build demo test asan tsan bench clean install

setup:
	@tools/setup.sh
	@tools/setup-typescript.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	tools/demo.sh $(BUILD)

test: build
	tools/run-tests.sh $(BUILD)

# The programs, the declarations, the reference and the man pages under PREFIX (DESTDIR honoured).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Address and undefined-behaviour sanitizers: `make asan` builds into build-asan and runs the suite.
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DULKA_SANITIZE=ON $(CMAKE_FLAGS)"

# The thread sanitizer on what runs on several threads: script threads, call queues, the page
# bridge's cross-thread calls and the network clients. Builds into build-tsan.
tsan: setup
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DULKA_TSAN=ON $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	JSC_usePollingTraps=1 tools/run-tests.sh build-tsan -R '$(TSAN_TESTS)'

# The engine stops its threads with signals, which the sanitizer holds back: it polls instead.
TSAN_TESTS ?= ThreadQueue|script\.script\.threads|BridgeEndpoint|Thread|bridge\.rtl|KeyStore|Dialog

bench: setup
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DULKA_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	bench/run.sh build-bench

clean:
	rm -rf build build-asan build-tsan build-bench
