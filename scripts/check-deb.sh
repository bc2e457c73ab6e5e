#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a built orlenda package as Debian would: lintian (--info --pedantic; any error or
# warning fails) and hardening-check on the program (fortify, stack protector, relro, bind
# now, PIE) and on its windows' module (the same but PIE). Exit status 0 passed, 1 failed, 77 a tool is missing (after running the other).
# --not-hardened: a build made without the hardening flags on purpose (a sanitizer build):
# lintian's hardening tags are left out and hardening-check is not run.
#
#   check-deb.sh [--not-hardened] PACKAGE.deb
set -uo pipefail
hardened=1
if [[ ${1:-} == --not-hardened ]]; then hardened=0; shift; fi
deb=$(realpath "${1:?usage: check-deb.sh [--not-hardened] PACKAGE.deb}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
status=0 missing=()

if command -v lintian >/dev/null; then
    cp "$deb" "$tmp/" && chmod 644 "$tmp/$(basename "$deb")"
    # lintian wants not to run as root: as nobody, with a home of its own.
    run=()
    if [[ $(id -u) -eq 0 ]]; then
        mkdir "$tmp/home" && chown nobody "$tmp/home"
        run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all
            env HOME="$tmp/home")
    fi
    options=(--info --pedantic --fail-on error,warning)
    ((hardened)) ||
        options+=(--suppress-tags hardening-no-relro,hardening-no-bindnow,hardening-no-fortify-functions)
    echo "== lintian ${options[*]} $(basename "$deb")"
    (cd "$tmp" && "${run[@]}" lintian "${options[@]}" "$tmp/$(basename "$deb")") \
        >"$tmp/lintian.txt" 2>&1
    lintian_status=$?
    cat "$tmp/lintian.txt"
    if ((lintian_status)) || grep -q '^[EW]: ' "$tmp/lintian.txt"; then
        echo "FAIL: lintian reports errors or warnings (status $lintian_status)" >&2
        status=1
    fi
else
    missing+=(lintian)
fi

if ((!hardened)); then
    echo "== (built without the hardening flags on purpose: hardening-check left out)"
elif command -v hardening-check >/dev/null; then
    dpkg-deb -x "$deb" "$tmp/root" || exit 1
    echo "== hardening-check usr/bin/orlenda"
    # Control-flow protection is not among Debian 12's hardening flags (stack clash
    # protection neither, but hardening-check only fails when it finds it missing). An
    # "unknown" passes hardening-check; here the five that matter must say yes.
    hardening-check --nocfprotection "$tmp/root/usr/bin/orlenda" | tee "$tmp/hardening.txt"
    check_status=${PIPESTATUS[0]}
    for what in "Position Independent Executable" "Stack protected" \
        "Fortify Source functions" "Read-only relocations" "Immediate binding"; do
        grep -q "^ $what: yes" "$tmp/hardening.txt" || check_status=1
    done
    # The windows' module: a shared object, so position independent by nature.
    modules=$(find "$tmp/root/usr/lib" -path '*/orlenda/*.so')
    [[ -n $modules ]] || { echo "no windows' module in the package" >&2; check_status=1; }
    for module in $modules; do
        echo "== hardening-check ${module#"$tmp/root/"}"
        hardening-check --nocfprotection "$module" | tee "$tmp/hardening.txt"
        ((PIPESTATUS[0] == 0)) || check_status=1
        for what in "Stack protected" "Fortify Source functions" "Read-only relocations" \
            "Immediate binding"; do
            grep -q "^ $what: yes" "$tmp/hardening.txt" || check_status=1
        done
    done
    if ((check_status)); then
        echo "FAIL: hardening-check" >&2
        status=1
    fi
else
    missing+=(hardening-check)
fi

if ((status == 0 && ${#missing[@]})); then
    echo "SKIP: not installed: ${missing[*]} (scripts/install-deps.sh installs them)"
    exit 77
fi
exit $status
