#!/usr/bin/env bash
# Converts every sample of examples/ to UTF-8 with the given kelconv, shows
# the result, and checks that it is the UTF-8 original and that the original
# converts back to the sample's bytes. Samples in a set the library has no
# converter for are skipped. Exits non-zero when a round trip differs.
# Usage: examples/convert-samples.sh KELCONV
set -euo pipefail
kelconv=$1
examples=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
while read -r file charset _codec original; do
    [[ -z $file || $file == \#* ]] && continue
    echo "== examples/$file ($charset to UTF-8)"
    status=0
    "$kelconv" -f "$charset" -t UTF-8 -o "$work/utf8" "$examples/$file" 2>"$work/errors" || status=$?
    if [ "$status" -eq 2 ] && grep -q "no converter" "$work/errors"; then
        echo "   skipped: $(head -n 1 "$work/errors")"
        continue
    fi
    cat "$work/errors" "$work/utf8"
    "$kelconv" -f UTF-8 -t "$charset" -o "$work/back" "$examples/originals/$original" || status=$?
    if [ "$status" -eq 0 ] && cmp -s "$work/utf8" "$examples/originals/$original" &&
        cmp -s "$work/back" "$examples/$file"; then
        echo "   round trip: identical"
    else
        echo "   round trip: DIFFERS (exit status $status)"
        failed=1
    fi
done <"$examples/samples.txt"
exit $failed
