# Tarn Pascal: the two commands are `make demo` and `make test`.
PREFIX ?= /usr/local
BUILD  ?= build
ASAN   ?= build-asan
JOBS   ?= $(shell nproc)

.PHONY: all release test demo install deps clean bench fuzz

all: release

deps:
	@sh scripts/install-deps.sh

release: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Everything built again under AddressSanitizer and UndefinedBehaviorSanitizer, then every test.
test: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)
	@cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

demo: release
	@sh scripts/demo.sh $(BUILD)

bench: release
	@sh bench/run.sh $(BUILD)

# A ten-minute libFuzzer run of the front end (the sanitizer build runs 30 seconds of it).
fuzz: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) --target fuzz_front_long

install: release
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN)
