# Tarn Pascal: the two commands are `make demo` and `make test`.
PREFIX ?= /usr/local
BUILD  ?= build
ASAN   ?= build-asan
JOBS   ?= $(shell nproc)

.PHONY: all release test demo install deps clean bench fuzz difftest

all: release

deps:
	@sh scripts/install-deps.sh

# The install prefix is fixed when the build is configured: programs that tpc builds carry
# the prefix's lib directory in their RUNPATH, so they find the engine from any directory.
release: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(abspath $(PREFIX)) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Everything built again under AddressSanitizer and UndefinedBehaviorSanitizer, then every test.
# Its install prefix lies inside the build tree, where the install test puts the kit.
test: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON \
		-DCMAKE_INSTALL_PREFIX=$(abspath $(ASAN))/installed-kit >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)
	@cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

demo: release
	@sh scripts/demo.sh $(BUILD)

bench: release
	@sh scripts/install-deps.sh bench
	@sh bench/run.sh $(BUILD)

# Ten-minute libFuzzer runs of the front end and of the loader and interpreter (the
# sanitizer build runs 30 seconds of each).
fuzz: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON \
		-DCMAKE_INSTALL_PREFIX=$(abspath $(ASAN))/installed-kit >/dev/null
	@cmake --build $(ASAN) --target fuzz_front_long
	@cmake --build $(ASAN) --target fuzz_image_long

# The long differential run of the engine's tiers (tests/difftest): 20,000 random programs,
# each run with the native tier and with the interpreter, on the release build.
difftest: release
	@cmake --build $(BUILD) --target difftest

install: release
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN)
