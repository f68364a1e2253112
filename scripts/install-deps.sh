#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need;
# packages already present are left alone.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  libxml2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  # the window title test reads the windows' names from the X server
  x11-utils
  # scripts/fuzz.sh: clang with libFuzzer and the sanitizer runtimes
  # (libclang_rt.fuzzer lives in libclang-rt-14-dev, only recommended by clang),
  # and llvm-symbolizer for readable stacks.
  clang libclang-rt-14-dev llvm
  # the Debian package: manual pages from --help, the dependencies computed
  # from the binaries (dpkg-shlibdeps; CPack finds the binaries with file),
  # and the package test's checks of the desktop entry, metainfo and package
  help2man dpkg-dev file desktop-file-utils appstream lintian
  # qora-exporter: its HTTP server and web configuration reader (bcrypt comes
  # from libcrypt), and a real Prometheus with promtool for its tests; the
  # tests start their own server, so the package's service need not run.
  libcpp-httplib-dev libyaml-cpp-dev prometheus openssl
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
