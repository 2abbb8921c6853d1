# Front door: configures and drives the CMake build.
#   make            build the programs
#   make demo       build, then issue a tag and check it
#   make check      build and run every test
#   make check-sanitize   the same under AddressSanitizer and UBSan
#   make check-mail       delivery through real Postfix and Exim (root; installs them,
#                         so it stops on a machine that has either, unless
#                         TOVRIN_REPLACE_MTA=yes)
#   make bench      micro-benchmarks and the process benchmark (N=2000)
#   make package    the Debian package, in $(BUILD)/tovrin_VERSION_ARCH.deb
#   make install PREFIX=/usr/local

BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure demo bench package check check-sanitize check-mail install clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/ensure-deps build

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null

demo: configure
	@cmake --build $(BUILD) -j $(JOBS) --target tovrin-create tovrin-check >/dev/null
	@scripts/demo $(BUILD)

N ?= 2000
POLICY_N ?= 20000
bench: deps
	@scripts/ensure-deps bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTOVRIN_BENCH=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target micro_bench spawn_bench policy_bench policy-floor do-nothing do-nothing-musl tovrin-create tovrin-check tovrin-check-rotating tovrin-policy
	$(BUILD)/bench/micro_bench
	$(BUILD)/bench/spawn_bench $(BUILD)/bench/do-nothing $(BUILD)/bench/do-nothing-musl $(BUILD)/tools/tovrin-create $(BUILD)/tools/tovrin-check $(N)
	$(BUILD)/bench/policy_bench $(BUILD)/tools/tovrin-policy $(BUILD)/bench/policy-floor $(POLICY_N)
	tests/budget_test.sh $(BUILD)/bench/do-nothing-musl $(BUILD)/tools/tovrin-create $(BUILD)/tools/tovrin-check $(BUILD)/tools/tovrin-check-rotating

check: all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

check-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRIN_SANITIZE=ON >/dev/null
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

check-mail: all
	scripts/mail-systems $(BUILD)

# dpkg-buildpackage in a copy of the tree; the .deb lands in $(BUILD).
package: deps
	@scripts/ensure-deps package
	@scripts/build-package $(BUILD)

# Its own build without the tests; the programs are installed stripped.
INSTALL_BUILD ?= build-install
install: deps
	@cmake -S . -B $(INSTALL_BUILD) -DCMAKE_BUILD_TYPE=Release -DTOVRIN_TESTS=OFF $(CMAKE_ARGS) >/dev/null
	cmake --build $(INSTALL_BUILD) -j $(JOBS)
	cmake --install $(INSTALL_BUILD) --prefix $(PREFIX) --strip

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(INSTALL_BUILD)
