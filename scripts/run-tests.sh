#!/usr/bin/env bash
# Installs what the tests need, builds the project twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite of
# each build inside a private headless desktop session; builds the Debian
# package from the plain build, installs, uses and removes it
# (scripts/package-test.sh); then fuzzes the tab.dat reader and the PNG decoder for a minute
# (VELMO_FUZZ_SECONDS).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

jobs=$(nproc)
# ccache keeps repeated builds on one machine (CI's fresh clones included) short.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
build() { # dir, extra cmake args...
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
}

# run-suite.sh runs a failed test once more and names every test that
# needed it; a test that fails twice fails the run.
status=0
# Installed under /usr as the package is, so the package is made from this build.
build build/ci -DCMAKE_INSTALL_PREFIX=/usr
scripts/run-suite.sh build/ci -LE wayland || status=1
# The Wayland desktop's tests, in a headless sway session with the portals.
VELMO_SESSION=scripts/wayland-session.sh scripts/run-suite.sh build/ci -L wayland || status=1

# The Debian package: built, installed with apt, used from its menu entry, removed.
rm -f build/ci/velmonote_*.deb
if (cd build/ci && cpack -G DEB >/dev/null); then
    scripts/test-session.sh scripts/package-test.sh build/ci/velmonote_*.deb || status=1
else
    echo "cpack could not build the package" >&2; status=1
fi

build build/asan -DVELMO_SANITIZE=ON -DVELMO_BUILD_BENCH=OFF
# intercept_tls_get_addr=0: up to GCC 13 the runtime takes a thread's
# dynamic TLS block for one with a pre-2.25 glibc header when the block
# happens to start at a certain offset in its page, reads garbage there and
# LeakSanitizer's check at exit then crashes ("Tracer caught signal 11") and
# ends a process that did everything right with status 1.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=0:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
scripts/run-suite.sh build/asan -LE wayland || status=1

# The tab.dat reader against a minute of libFuzzer.
scripts/fuzz-store.sh "${VELMO_FUZZ_SECONDS:-60}" || status=1

exit $status
