#!/usr/bin/env bash
# Builds the Debian package from a build tree into a temporary folder and checks what it
# installs and what it declares to depend on.
#   check_deb.sh <cpack> <build dir>
set -euo pipefail
cpack=$1
build=$2

for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (dpkg-dev)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
shopt -s nullglob
debs=("$work"/tc24_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "expected one tc24_*.deb, found: ${debs[*]:-none}"
    cat "$work/cpack.log"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/tc24 ./usr/bin/tc24-cli ./usr/bin/tc24-sim ./usr/share/applications/tc24.desktop \
    ./usr/share/icons/hicolor/scalable/apps/tc24.svg ./usr/share/doc/tc24/protocol.md; do
    grep -q " $path\$" <<<"$contents" || fail "missing $path"
done
# tc24-cli's report module, where the installed program looks for it.
grep -Eq " \./usr/lib/([^/]+/)?tc24/tc24-report-pdf\.so\$" <<<"$contents" ||
    fail "missing tc24-report-pdf.so under /usr/lib"
for program in ./usr/bin/tc24 ./usr/bin/tc24-cli ./usr/bin/tc24-sim; do
    grep -E "^-rwxr-xr-x .* $program\$" <<<"$contents" >/dev/null || fail "$program is not executable"
done
# Nothing from the build or test tree.
if grep -E 'tc24-screenshot|_test|comm\.set|/ports/' <<<"$contents"; then
    fail "the package holds build or test files"
fi

[ "$(dpkg-deb -f "$deb" Package)" = tc24 ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# One name per entry, without version constraints.
names=$(tr ',' '\n' <<<"$depends" | sed -E 's/\(.*\)//; s/^ +//; s/ +$//')
for needed in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6charts6 libqt6network6 libc6 libstdc++6 \
    qt6-qpa-plugins fonts-wqy-microhei qt6-translations-l10n; do
    grep -qx "$needed" <<<"$names" || fail "Depends lacks $needed"
done
# Build-time packages must not be needed to run it.
if grep -E -- '-dev$' <<<"$names"; then
    fail "Depends names development packages"
fi

# The menu entry starts the installed program with the installed icon.
desktop=$work/tc24.desktop
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/tc24.desktop >"$desktop"
grep -qx 'Exec=tc24' "$desktop" || fail "desktop entry does not run tc24"
grep -qx 'Icon=tc24' "$desktop" || fail "desktop entry does not name the icon tc24"
grep -qx 'Type=Application' "$desktop" || fail "desktop entry type"

if [ "$failures" -ne 0 ]; then
    echo "$contents"
    exit 1
fi
echo "package contents and dependencies OK"
