# shellcheck shell=bash
# What the picture scripts share, sourced by them: the pictures' folder and a scratch
# program folder with fresh books, which goes away when the script ends.
#
# pictures_start BUILD_DIR OUT_DIR sets build, out (absolute) and work.

pictures_start() {
  build=$1
  out=$2
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavelo-pictures-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  "$build/tools/mkbooks" "$work" >/dev/null
}
