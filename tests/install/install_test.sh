#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a user gets it: installed into a temporary prefix, and as the Debian package
# (built by cpack, looked into with dpkg-deb, checked with lintian and hardening-check,
# unpacked and run). Each run must find its china.txt through ../share/orlenda alone: 2008-02-07
# is 春节, the first day of the first lunar month (published calendars).
#
#   install_test.sh BUILD_DIR hardened|not-hardened
# Exit status 77 (skipped) when only lintian or hardening-check is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
hardening=${2:-hardened}
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# No data folders: an installed orlenda/china.txt elsewhere on this machine must not count.
mkdir "$tmp/nodata"
export XDG_DATA_HOME=$tmp/nodata XDG_DATA_DIRS=$tmp/nodata

# The lunar text under 2008-02-07 in the model the program prints; its warnings must be none.
check_lunar() {
    local orlenda=$1
    "${@:2}" "$orlenda" model 2008 >"$tmp/model.json" 2>"$tmp/stderr" || fail "$orlenda model 2008"
    [[ ! -s $tmp/stderr ]] || fail "$orlenda warned: $(cat "$tmp/stderr")"
    local lunar
    lunar=$(python3 -c '
import json, sys
m = json.load(open(sys.argv[1]))
print(next(m["LunarGrid"][1][w][d] for w in range(6) for d in range(7)
           if m["DayGrid"][1][w][d] == "7").strip())' "$tmp/model.json")
    [[ $lunar == 春节 ]] || fail "$orlenda: 2008-02-07 shows \"$lunar\", not 春节"
}

# What both the prefix and the package hold, below the prefix $1 (P/bin/orlenda, ...).
check_tree() {
    local p=$1
    [[ -f $p/bin/orlenda && ! -L $p/bin/orlenda && -x $p/bin/orlenda ]] ||
        fail "$p/bin/orlenda is not a program file"
    local module
    module=$(windows_module "$p")
    [[ -f $module && ! -x $module ]] || fail "no windows' module in $p/lib (not executable)"
    cmp -s "$p/share/orlenda/china.txt" "$source/data/china.txt" || fail "no china.txt in $p"
    cmp -s "$p/share/orlenda/china-txt-format.md" "$source/data/README.md" ||
        fail "share/orlenda/china-txt-format.md is not the data format description"
    cmp -s "$p/share/doc/orlenda/README.md" "$source/README.md" || fail "no README.md"
    cmp -s "$p/share/doc/orlenda/copyright" "$source/packaging/copyright" || fail "no copyright"
    local f
    for f in share/doc/orlenda/changelog.gz share/doc/orlenda/changelog.Debian.gz \
        share/man/man1/orlenda.1.gz; do
        gzip -t "$p/$f" || fail "$f is not gzip data"
    done
    zcat "$p/share/man/man1/orlenda.1.gz" | cmp -s - "$source/packaging/orlenda.1" ||
        fail "the manual page is not packaging/orlenda.1"
    [[ -f $p/share/applications/org.orlenda.Orlenda.desktop ]] || fail "no menu entry"
    for size in scalable 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
        ls "$p/share/icons/hicolor/$size/apps/org.orlenda.Orlenda".* >/dev/null ||
            fail "no $size icon"
    done
}

# The windows' module under P/lib (lib/<triplet>/orlenda on a multiarch system).
windows_module() { find "$1/lib" -path '*/orlenda/orlenda-windows.so'; }

# With no arguments the program starts its windows from its module (offscreen, still
# running after 3 s); with the module gone it says so in one line and exits with status 1.
check_windows_module() {
    local p=$1 module status=0
    module=$(windows_module "$p")
    mkdir -p "$tmp/windows-home"
    local run=(env HOME="$tmp/windows-home" XDG_CONFIG_HOME="$tmp/windows-home" "$p/bin/orlenda")
    timeout 3 "${run[@]}" >/dev/null 2>"$tmp/err" || status=$?
    ((status == 124)) || fail "$p/bin/orlenda ended with status $status: $(cat "$tmp/err")"
    mv "$module" "$tmp/module.so"
    status=0
    "${run[@]}" >"$tmp/out" 2>"$tmp/err" || status=$?
    mv "$tmp/module.so" "$module"
    [[ $status == 1 && ! -s $tmp/out && $(wc -l <"$tmp/err") == 1 ]] &&
        grep -qF "orlenda: cannot load the windows: $module: cannot open shared object file" \
            "$tmp/err" || fail "without its module, status $status and: $(cat "$tmp/err")"
}

# Every command of the program's help has its entry in the manual page's COMMANDS.
check_manual() {
    local commands cmd name
    commands=$("$1" --help | sed -n 's/^  orlenda \([a-z-]*\).*/\1/p')
    [[ -n $commands ]] || fail "no commands in $1 --help"
    zcat "$2" | sed -n '/^\.SH COMMANDS/,/^\.SH /p' >"$tmp/commands.roff"
    for cmd in $commands; do
        name=${cmd//-/\\-}
        grep -qF -e ".BI \"$name " -e ".BR $name " "$tmp/commands.roff" ||
            grep -qxF ".B $name" "$tmp/commands.roff" ||
            fail "the manual page has no entry for $cmd"
    done
}

echo "== cmake --install into a temporary prefix"
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
check_tree "$prefix"
check_lunar "$prefix/bin/orlenda"
check_manual "$prefix/bin/orlenda" "$prefix/share/man/man1/orlenda.1.gz"
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml >/dev/null || fail "appstreamcli"

if [[ $(id -u) -eq 0 ]]; then
    echo "== the installed program run by nobody writes nothing into its tree"
    find "$prefix" -printf '%p %s %T@\n' | sort >"$tmp/before"
    mkdir "$tmp/home" && chown nobody "$tmp/home"
    (cd "$tmp/home" && check_lunar "$prefix/bin/orlenda" env HOME="$tmp/home" \
        "$here/../support/unprivileged.sh")
    find "$prefix" -printf '%p %s %T@\n' | sort | cmp -s - "$tmp/before" ||
        fail "the install tree changed"
else
    echo "== (not root: the run as another user is left out)"
fi

echo "== the installed program's windows, with and without their module"
check_windows_module "$prefix"

echo "== cpack -G DEB"
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log") ||
    { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/pkg/orlenda_*.deb)
for field in Version Maintainer Depends Recommends Suggests; do
    echo "$field: $(dpkg-deb -f "$deb" "$field")"
done
[[ $(dpkg-deb -f "$deb" Maintainer) == *'<'*@*'>' ]] || fail "the maintainer has no address"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libqt6gui6 libqt6printsupport6 libcups2 fonts-arphic-uming \
    fonts-arphic-gkai00mp qt6-image-formats-plugins; do
    [[ $depends == *"$need"* ]] || fail "Depends lacks $need"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *qt6-translations-l10n* ]] ||
    fail "Recommends lacks qt6-translations-l10n"
dpkg-deb -x "$deb" "$tmp/root"
check_tree "$tmp/root/usr"
check_lunar "$tmp/root/usr/bin/orlenda"
check_windows_module "$tmp/root/usr"

echo "== Debian's checks"
checks=()
[[ $hardening == hardened ]] || checks+=(--not-hardened)
status=0
"$source/scripts/check-deb.sh" "${checks[@]}" "$deb" || status=$?
case $status in
    0) echo "PASS" ;;
    77) echo "SKIP: the rest passed; lintian or hardening-check is not installed"; exit 77 ;;
    *) fail "lintian or hardening-check" ;;
esac
