#!/usr/bin/env bash
# The English translation is whole: every French text of src/ is in
# share/translations/pixtrim_en.ts (the file is what scripts/translations makes of it), and
# none is left unfinished. Usage: translations_test.sh SOURCE_FOLDER
set -euo pipefail
cd "$1"
ts=share/translations/pixtrim_en.ts
copy=$(mktemp --suffix=.ts)
trap 'rm -f "$copy"' EXIT
cp "$ts" "$copy"
scripts/translations "$copy" >/dev/null
failed=0
if ! diff -u "$ts" "$copy"; then
    echo "FAILED: $ts is not up to date with src/ (run scripts/translations)"
    failed=1
fi
if grep -q 'type="unfinished"' "$copy"; then
    echo "FAILED: texts left to translate:"
    grep -B2 'type="unfinished"' "$copy" | grep '<source>'
    failed=1
fi
exit $failed
