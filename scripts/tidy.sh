#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) on the program's sources as a build tree compiles them.
# Usage: tidy.sh BUILD_DIR [all]
# Without "all", only the sources changed since the commit in .ci/tidy-clean, at which the
# whole tree was last tidied clean: each change is looked at once, and `make test` stays
# short. `make tidy` looks at them all; when it passes, put HEAD's hash in .ci/tidy-clean.
set -euo pipefail
build="$(realpath "$1")"
cd "$(dirname "$0")/.."
root="$PWD"
mapfile -t program < <(python3 - "$build/compile_commands.json" "$root" <<'PY'
import json, os, sys
root = sys.argv[2] + "/"
for entry in json.load(open(sys.argv[1])):
    f = entry["file"]
    if f.startswith(root) and "_autogen" not in f:
        rel = f[len(root):]
        if rel.split("/")[0] not in ("tests", "bench", "fuzz"):
            print(rel)
PY
)
files=()
base="$(cat .ci/tidy-clean 2>/dev/null || true)"
if [ "${2:-}" = all ] || ! git cat-file -e "${base}^{commit}" 2>/dev/null; then
  files=("${program[@]}")
else
  # A changed header is looked at through the source of the same name.
  mapfile -t changed < <(git diff --name-only "$base" -- '*.cpp' '*.h' | sed 's/\.h$/.cpp/' | sort -u)
  for f in "${changed[@]}"; do
    for p in "${program[@]}"; do
      if [ "$f" = "$p" ]; then files+=("$f"); fi
    done
  done
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: nothing changed since $base"
  exit 0
fi
echo "tidy: ${#files[@]} files"
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet
