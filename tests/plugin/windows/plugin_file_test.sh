#!/usr/bin/env bash
# Checks a Windows build of the plug-in as a file: a DLL of the right
# architecture that exports ENTRYPOINT and needs nothing but Windows' own
# libraries. (Its property list is checked by the test host.)
#   plugin_file_test.sh OBJDUMP PLUGIN ARCH
set -uo pipefail
objdump=$1
plugin=$2
arch=$3
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

header=$("$objdump" -f "$plugin") || fail "$plugin cannot be read"
case $arch in
  x86_64) format=pei-x86-64 ;;
  i686) format=pei-i386 ;;
esac
grep -q "file format $format" <<<"$header" || fail "$arch: not a $format file"

private=$("$objdump" -p "$plugin")
grep -Eq '^[[:space:]]*DLL$' <<<"$private" || fail "$arch: not a DLL"
grep -Eq '^[[:space:]]*\[ *[0-9]+\] ENTRYPOINT$' <<<"$private" || fail "$arch: ENTRYPOINT is not exported"
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$private" | grep -Ec '^[[:space:]]*\[ *[0-9]+\]')
[ "$exports" -eq 1 ] || fail "$arch: $exports exports instead of ENTRYPOINT alone"
while read -r dll; do
  case ${dll^^} in
    KERNEL32.DLL | USER32.DLL | ADVAPI32.DLL | MSVCRT.DLL) ;;
    *) fail "$arch: needs $dll beside it" ;;
  esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$private")

echo "$((failed == 0 ? 1 : 0)) passed, $failed failed"
[ "$failed" -eq 0 ]
