#!/usr/bin/env bash
# The install as a desktop meets it: everything in its place under a prefix, the desktop
# entry valid and claiming no folders, the manual pages (English, French) free of warnings,
# the completion and both pages knowing every option of the help. Usage: install_test.sh BUILD_FOLDER
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
failed=0
check() {  # check WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
share=$prefix/share
check "program installed" test -x "$prefix/bin/pixtrim"
check "window program out of the PATH" test -x "$prefix/libexec/pixtrim/pixtrim-gui"
# A run that draws text is handed to it: a folder without images then ends in 1, not 127.
check "text runs handed to the window program" bash -c \
    "'$prefix/bin/pixtrim' --no-settings --resize '$prefix' --copyright x >/dev/null 2>&1; [ \$? = 1 ]"
# The command line starts on Qt Core alone (the text's stand-in): Qt Gui would triple its
# start.
check "pixtrim needs no Qt Gui" bash -c "! ldd '$prefix/bin/pixtrim' | grep -q libQt6Gui"
# Alone, it names the two places it looked for the window program, and ends in 127.
lone=$(mktemp -d)
cp "$prefix/bin/pixtrim" "$lone/pixtrim"
check "a lone pixtrim names both places and ends in 127" bash -c \
    "'$lone/pixtrim' '$prefix' 2>'$lone/err'; [ \$? = 127 ] && \
     grep -q 'impossible de lancer $lone/pixtrim-gui ni $lone/../libexec/pixtrim/pixtrim-gui' '$lone/err'"
rm -rf "$lone"
# libheif and its codecs would double the start of every run: loaded on the first HEIF.
check "libheif not loaded at start" bash -c "! ldd '$prefix/bin/pixtrim' | grep -q libheif"
check "desktop entry valid" desktop-file-validate "$share/applications/pixtrim.desktop"
check "no folder opener" bash -c "! grep -q inode/directory '$share/applications/pixtrim.desktop'"
check "service menu for folders" grep -q "inode/directory" "$share/kio/servicemenus/pixtrim.desktop"
for size in 16 32 48 64 128 256; do
    check "icon ${size}x${size}" \
        bash -c "head -c 8 '$share/icons/hicolor/${size}x${size}/apps/pixtrim.png' | grep -q PNG"
done
check "package documents: gzipped changelog, machine-readable copyright" bash -c \
    "gzip -t '$share/doc/pixtrim/changelog.gz' && \
     head -1 '$share/doc/pixtrim/copyright' | grep -q copyright-format/1.0"
pages=("$share/man/man1/pixtrim.1.gz" "$share/man/fr/man1/pixtrim.1.gz")  # English, French
for page in "${pages[@]}"; do
    check "manual page ${page#$share/man/} without warnings" bash -c \
        "[ -z \"\$(MANWIDTH=80 man --warnings -l '$page' 2>&1 >/dev/null)\" ]"
done
# The completion and the manual page know every option the help lists ("--" alone ends them).
for option in $("$prefix/bin/pixtrim" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    check "completion offers $option" bash -c \
        "source '$share/bash-completion/completions/pixtrim'; COMP_WORDS=(pixtrim $option); \
         COMP_CWORD=1; _pixtrim; [[ \" \${COMPREPLY[*]} \" == *' $option '* ]]"
    for page in "${pages[@]}"; do
        check "manual page ${page#$share/man/} says $option" bash -c \
            "MANWIDTH=200 man -l '$page' 2>/dev/null | grep -q -- '${option}\\b'"
    done
done
# A font name of several words is offered as one quoted word.
check "completion quotes a font name" bash -c \
    "source '$share/bash-completion/completions/pixtrim'; COMP_WORDS=(pixtrim --font Com); \
     COMP_CWORD=2; _pixtrim; [ \"\${COMPREPLY[*]}\" = 'Comic\\ Sans\\ MS' ]"
exit $failed
