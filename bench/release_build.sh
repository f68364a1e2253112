# Sourced by the benchmark scripts: ensure_programs BUILD_DIR PROGRAM...
# builds the programs a benchmark runs when the build folder lacks them (the
# release preset's folder is configured first if need be).
ensure_programs() {
  local build=$1 missing=() program
  shift
  for program in "$@"; do
    [ -x "$build/bin/$program" ] || missing+=("$program")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local source
  source=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  echo "building ${missing[*]} in $build" >&2
  if [ ! -f "$build/CMakeCache.txt" ]; then
    [ "$(realpath -m "$build")" = "$source/build/release" ] ||
      { echo "$build is no configured build folder" >&2; return 1; }
    (cd "$source" && cmake --preset release >/dev/null) || return 1
  fi
  cmake --build "$build" --target "${missing[@]}" >/dev/null || return 1
}
