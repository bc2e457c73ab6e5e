#!/usr/bin/env bash
# The program as a user gets it: installed into a temporary prefix, and as the Debian package
# (built by cpack, looked into with dpkg-deb, unpacked and run). Each run must find its
# china.txt: 2008-02-07 is 春节, the first day of the first lunar month (published calendars).
#
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

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

echo "== cmake --install into a temporary prefix"
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
[[ -L $prefix/bin/orlenda ]] || fail "bin/orlenda is not a link"
check_lunar "$prefix/bin/orlenda"
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml >/dev/null || fail "appstreamcli"
for size in scalable 16x16 32x32 48x48 128x128 256x256; do
    ls "$prefix/share/icons/hicolor/$size/apps/org.orlenda.Orlenda".* >/dev/null
done

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

echo "== cpack -G DEB"
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log") ||
    { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/pkg/orlenda_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for need in libqt6widgets6 libqt6gui6 libqt6printsupport6 libcups2 fonts-arphic-uming \
    fonts-arphic-ukai fonts-wqy-zenhei qt6-translations-l10n; do
    [[ $depends == *"$need"* ]] || fail "Depends lacks $need"
done
dpkg-deb -x "$deb" "$tmp/root"
[[ -f $tmp/root/usr/lib/orlenda/china.txt ]] || fail "the package holds no china.txt"
[[ -f $tmp/root/usr/share/applications/org.orlenda.Orlenda.desktop ]] || fail "no menu entry"
check_lunar "$tmp/root/usr/bin/orlenda"
echo "PASS"
