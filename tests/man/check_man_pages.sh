#!/bin/sh
# The generated manual pages render without a warning, and each describes
# its program's own options (taken from its --help text).
# Usage: check_man_pages.sh facette.1 facette-cli.1
set -eu
for page in "$@"; do
  warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: $warnings"
    exit 1
  fi
done
man -E UTF-8 -l "$1" 2>/dev/null | grep -q -- '--screenshot'
man -E UTF-8 -l "$2" 2>/dev/null | grep -q -- '--quality'
