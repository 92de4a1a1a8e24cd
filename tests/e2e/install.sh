#!/usr/bin/env bash
# cmake --install into a scratch prefix: the two programs in bin/, the help pages where the
# installed window looks for them (bin/../share/vexa_q4/help), the desktop entry (checked by
# desktop-file-validate, naming the installed program and an installed icon), the icon and the
# udev rule. The installed vexaq4-cli runs.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

build="$VEXA_BIN_DIR"
source_dir="${VEXA_SOURCE_DIR:?VEXA_SOURCE_DIR must name the source folder}"
prefix="$work/prefix with space"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install: $(cat "$work/install.log")"

programs=(vexaq4-cli)
[[ -x "$build/vexaq4" ]] && programs+=(vexaq4)
for program in "${programs[@]}"; do
    [[ -x "$prefix/bin/$program" ]] || fail "bin/$program not installed"
done

help="$prefix/share/vexa_q4/help"
for page in "$source_dir"/resources/help/*.html; do
    cmp -s "$page" "$help/$(basename "$page")" || fail "help page $(basename "$page") missing"
done
cmp -s "$source_dir/docs/udev/60-vexa-q4.rules" "$prefix/share/vexa_q4/udev/60-vexa-q4.rules" ||
    fail "udev rule not installed"
[[ -s "$prefix/share/vexa_q4/vexa_q4.png" ]] || fail "program icon not beside the help pages"

desktop="$prefix/share/applications/vexa-q4.desktop"
[[ -f "$desktop" ]] || fail "desktop entry not installed"
desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 ||
    fail "desktop entry invalid: $(cat "$work/validate.log")"
[[ ! -s "$work/validate.log" ]] || fail "desktop entry warnings: $(cat "$work/validate.log")"
grep -qx "Exec=\"$prefix/bin/vexaq4\"" "$desktop" || fail "Exec does not name the installed window"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[[ -s "$prefix/share/icons/hicolor/64x64/apps/$icon.png" ]] || fail "icon $icon not installed"

"$prefix/bin/vexaq4-cli" --help >"$work/help.txt" 2>&1 || fail "installed vexaq4-cli --help failed"
grep -q "^usage: vexaq4-cli" "$work/help.txt" || fail "no usage text: $(cat "$work/help.txt")"
echo "installed files and the installed vexaq4-cli check out"
