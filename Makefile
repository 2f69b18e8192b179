# One entry point for both toolchains.
#   make sample  - install what is missing, build everything, build the sample e-book
#   make test    - install what is missing, build everything, run every test
#   make dist    - the zip for Windows users (out/pagevane-1.0-win32.zip)
#   make reader-shot - docs/reader.png, the reader's page of `pagevane-cli read` in Chromium
#   make readme-pictures - the README's pictures of the publisher and the viewer, taken again
# Build folders: build/win (MinGW i686: the Windows programs and their tests, run under Wine),
# build/win64 (MinGW x86_64: the same sources, whose tests run under wine64 where the kernel cannot
# start 32-bit programs, or when PV_WINE64=1; its programs carry the i686 viewer),
# build/native (g++ release: the command line, benchmarks), build/asan (g++ with AddressSanitizer
# and UndefinedBehaviorSanitizer: the unit tests), build/tsan (g++ with ThreadSanitizer: the core
# and the threaded build tests), build/fuzz (clang: libFuzzer targets).

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Each step of `make test` writes its times to build/times/STEP (scripts/timed.py); the test
# summary lists them, so that a run says where its time went.
TIMED = python3 scripts/timed.py build/times/$@

.PHONY: all bootstrap win win64 wintests native asan tsan fuzz sample test times-reset bench dist \
        reader-shot readme-pictures clean

all: win native

bootstrap:
	@$(TIMED) bash scripts/bootstrap.sh

win:
	cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	      -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/win -j $(JOBS)

win64: win
	cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DPV_VIEWER_EXE=$(CURDIR)/build/win/viewer/viewer.exe \
	      $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/win64 -j $(JOBS)

# The Windows programs the tests run: build/win where the 32-bit Wine can start, else build/win64.
wintests: win
	@if [ "$$(bash scripts/wine-kind.sh)" = 64 ]; then $(MAKE) --no-print-directory win64; fi

native: win
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release \
	      -DPV_VIEWER_EXE=$(CURDIR)/build/win/viewer/viewer.exe $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/native -j $(JOBS)

asan: win
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPV_SANITIZE=ON \
	      -DPV_VIEWER_EXE=$(CURDIR)/build/win/viewer/viewer.exe $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/asan -j $(JOBS)

tsan:
	cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPV_TSAN=ON $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/tsan --target tsan_tests -j $(JOBS)

fuzz:
	cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPV_FUZZ=ON \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS) >/dev/null
	$(TIMED) cmake --build build/fuzz -j $(JOBS)

sample: bootstrap native
	@bash scripts/sample.sh

test: times-reset bootstrap wintests native asan tsan fuzz
	@bash scripts/test.sh

times-reset:
	@rm -rf build/times

bench: wintests native
	@bash scripts/bench.sh

# The README's pictures of the publisher and of the viewer, taken under Wine (docs/*.png).
readme-pictures: win native
	@bash scripts/readme-pictures.sh

dist: win
	@bash scripts/dist.sh

reader-shot: native
	python3 tests/browser/run.py --cli build/native/cli/pagevane-cli --out build/browser \
	        --shot docs/reader.png

clean:
	rm -rf build out
