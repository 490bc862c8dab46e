# Everything a fresh Debian machine needs: `make run`, `make test`, `make install`, `make package`.
BUILD_DIR ?= build
WERROR ?= OFF
PREFIX ?= /usr/local
PACKAGES := build-essential cmake pkg-config libgtest-dev freeglut3-dev libglew-dev libgl1-mesa-dev \
            libglx-mesa0 libgl1-mesa-dri xvfb xauth x11-utils xdotool imagemagick libpng-dev \
            libcli11-dev help2man libavcodec-dev libavformat-dev libavfilter-dev libswscale-dev \
            libavutil-dev ffmpeg lintian
# -noreset: by default the server resets whenever its last client leaves, and refuses
# the connections that arrive meanwhile; one test ending must not fail the next.
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"

.PHONY: all deps plot-deps configure build run test test-aarch64 test-tsan pictures plots install package clean

all: build

# Installs whichever of the Debian packages named in $(1) are missing.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then sudo=; \
	  elif command -v sudo >/dev/null 2>&1; then sudo=sudo; \
	  else echo "Missing packages:" $$missing; echo "Install them as root: apt-get install" $$missing; exit 1; fi; \
	  echo "Installing:" $$missing; \
	  $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

configure: deps
	cmake -S . -B $(BUILD_DIR) -DSMOKE_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD_DIR) -j $$(nproc)

# Only what the window needs.
run: configure
	cmake --build $(BUILD_DIR) -j $$(nproc) --target smoke
	./$(BUILD_DIR)/smoke $(ARGS)

# GL tests need an X display: without one, the whole run gets a virtual one.
test: build
	@if [ -n "$$DISPLAY" ]; then ctest --test-dir $(BUILD_DIR) --output-on-failure; \
	else $(XVFB) ctest --test-dir $(BUILD_DIR) --output-on-failure; fi

# The GL-free tests (simulation library, both kernel sets) cross-built for 64-bit ARM
# and run under emulation. Not part of `make test`: it needs the cross compiler.
AARCH64_BUILD_DIR ?= build-aarch64
AARCH64_PACKAGES := g++-aarch64-linux-gnu qemu-user cmake googletest
test-aarch64:
	$(call install_missing,$(AARCH64_PACKAGES))
	cmake -S . -B $(AARCH64_BUILD_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DSMOKE_GL=OFF -DSMOKE_WERROR=$(WERROR)
	cmake --build $(AARCH64_BUILD_DIR) -j $$(nproc)
	ctest --test-dir $(AARCH64_BUILD_DIR) --output-on-failure

# The GL-free library and its tests built with ThreadSanitizer: the thread team's
# hand-overs, its crews and the kernels' bands must show no data race. Run without
# address randomisation, whose larger settings on newer kernels break the sanitizer's
# memory layout.
TSAN_BUILD_DIR ?= build-tsan
TSAN_PACKAGES := build-essential cmake libgtest-dev
test-tsan:
	$(call install_missing,$(TSAN_PACKAGES))
	cmake -S . -B $(TSAN_BUILD_DIR) -DSMOKE_GL=OFF -DSMOKE_WERROR=$(WERROR) \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
	cmake --build $(TSAN_BUILD_DIR) -j $$(nproc)
	TSAN_OPTIONS="halt_on_error=1 allocator_may_return_null=1" setarch "$$(uname -m)" -R \
	  ctest --test-dir $(TSAN_BUILD_DIR) -j $$(nproc) --output-on-failure

# The README's pictures and its animation, made again from the scenarios in examples/.
pictures: build
	./$(BUILD_DIR)/smoke-render --size 400 --out docs examples/rising-plume.txt
	./$(BUILD_DIR)/smoke-render --size 400 --strokes --out docs examples/stirred.txt
	./$(BUILD_DIR)/smoke-render --size 400 --velocity --strokes --out docs examples/velocity.txt
	./$(BUILD_DIR)/smoke-render --size 400 --strokes --every 2 --video docs/swirl.gif --out $(BUILD_DIR) examples/swirl.txt
	./$(BUILD_DIR)/smoke-render --size 400 --out docs examples/plume-sweeps.txt
	./$(BUILD_DIR)/smoke-render --size 400 --out docs examples/plume-converged.txt
	./$(BUILD_DIR)/smoke-render --size 400 --strokes --out docs examples/vortex-street.txt
	./$(BUILD_DIR)/smoke-render --size 256 --strokes --every 6 --fps 10 --video docs/vortex-street.gif --out $(BUILD_DIR) examples/vortex-street.txt

# Only `make plots` needs these.
PLOT_PACKAGES := gnuplot-nox jq
plot-deps:
	$(call install_missing,$(PLOT_PACKAGES))

# The README's scaling picture, docs/scaling.png: every solver's step against the grid, the
# software solver on one thread and on all the processors this process may use, with each
# projection side by side in one run. A short run (PLOT_BENCH); its
# table for the README lands in $(BUILD_DIR)/plots/scaling.md.
PLOT_GRIDS ?= 64,128,256,512,1024,2048
PLOT_THREADS ?= $$(n=$$(nproc); [ "$$n" -gt 1 ] && echo 1,$$n || echo 1)
PLOT_BENCH ?= --warmup 2 --steps 5 --seconds 0.25
plots: configure plot-deps
	cmake --build $(BUILD_DIR) -j $$(nproc) --target smoke-bench
	mkdir -p $(BUILD_DIR)/plots
	./$(BUILD_DIR)/smoke-bench --json --grid $(PLOT_GRIDS) --solver cpu --projection specified,converged \
	  --threads $(PLOT_THREADS) $(PLOT_BENCH) > $(BUILD_DIR)/plots/scaling.json
	./$(BUILD_DIR)/smoke-bench --json --grid $(PLOT_GRIDS) --solver cpu-reference,gpu \
	  $(PLOT_BENCH) > $(BUILD_DIR)/plots/scaling-others.json
	./bench/plots/scaling.sh $(BUILD_DIR)/plots/scaling.json docs/scaling.png \
	  $(BUILD_DIR)/plots/scaling-others.json > $(BUILD_DIR)/plots/scaling.md
	@cat $(BUILD_DIR)/plots/scaling.md

# The programs, shaders, man pages, desktop entry and icon under PREFIX.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package in $(BUILD_DIR)/package.
package: build
	cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR) $(AARCH64_BUILD_DIR) $(TSAN_BUILD_DIR)
