#!/usr/bin/env bash
# Formats the tree with clang-format; with --check only reports files that
# would change and fails if there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' 2>/dev/null)
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--check" ]; then
  "$formatter" --dry-run --Werror "${files[@]}"
  echo "format: clean"
else
  "$formatter" -i "${files[@]}"
fi
