#!/usr/bin/env bash
# Checks what `cmake --install` and the Debian package put on a user's machine:
#   the launcher (desktop-file-validate), the AppStream file (appstreamcli, no network),
#   the package (lintian: no error and no warning), the files an install puts in
#   place, and the unpacked program, which must start headless and tell its version.
#   The beacon monitor's module and the rig module must lie where the program looks for
#   them (their folder relative to the program's), and only the modules may need the
#   monitor's libraries and Hamlib.
# Before that it proves the validators bite: a broken launcher and a broken AppStream
# file must each be refused. Run by CTest with the build folder as argument; works in
# a temporary folder of its own and removes it.
set -euo pipefail
build=$(realpath "${1:?usage: check_package.sh BUILD_DIR}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

app_id=$(sed -n 's/^HALVION_APP_ID:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$app_id" ] || app_id=$(basename "$build"/packaging/*.desktop .desktop)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
desktop="$build/packaging/$app_id.desktop"
metainfo="$build/packaging/$app_id.metainfo.xml"
[ -f "$desktop" ] && [ -f "$metainfo" ] || fail "no launcher or AppStream file for '$app_id' in $build/packaging"
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

# The validators refuse broken files.
sed 's/^Type=Application$/Type=Program/' "$desktop" > "$work/$app_id.desktop"
! desktop-file-validate "$work/$app_id.desktop" >/dev/null 2>&1 || fail "desktop-file-validate took a wrong Type"
sed 's#</summary>#</summary><summary>#' "$metainfo" > "$work/$app_id.metainfo.xml"
! appstreamcli validate --no-net "$work/$app_id.metainfo.xml" >/dev/null 2>&1 ||
    fail "appstreamcli took a file that is not well-formed"
rm -f "$work"/*.desktop "$work"/*.xml

# The real files.
# (hints, such as "HamRadio could also be Network or Audio", are suggestions, not faults)
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
! grep -E ': (error|warning): ' <<<"$out" || fail "desktop-file-validate has warnings"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused $metainfo"

# An install into a prefix puts every piece in place.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/halvion share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
         share/man/man1/halvion.1.gz share/doc/halvion/copyright share/doc/halvion/changelog.gz; do
    [ -f "$work/prefix/$f" ] || fail "install did not put $f in place"
done
for px in 16 24 32 48 64 128 256 512; do
    icon="$work/prefix/share/icons/hicolor/${px}x${px}/apps/$app_id.png"
    [ -f "$icon" ] || fail "no ${px} px icon"
    file "$icon" | grep -q "$px x $px" || fail "the ${px} px icon is $(file -b "$icon")"
done

# The program opens the beacon monitor's module from a folder relative to its own; the
# install puts it there, and only the module needs the monitor's libraries.
module_from_bin=$(sed -n 's/^HALVION_MODULE_FROM_BIN:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$module_from_bin" ] || fail "no HALVION_MODULE_FROM_BIN in $build/CMakeCache.txt"
check_module() { # ROOT_BIN_FOLDER
    local module needed
    module=$(realpath -m "$1/$module_from_bin/halvion_monitor.so")
    [ -f "$module" ] || fail "no beacon monitor module at $module"
    strings "$1/halvion" | grep -xF "$module_from_bin" >/dev/null || fail "the program does not look in $module_from_bin"
    needed=$(readelf -d "$1/halvion" | grep NEEDED || true)
    ! grep -qE 'Qt6Multimedia|Qt6Charts|Qt6Sql|fftw3' <<<"$needed" ||
        fail "the program itself needs the monitor's libraries: $needed"
    readelf -d "$module" | grep NEEDED | grep Qt6Multimedia >/dev/null || fail "the module does not need Qt Multimedia"
    module=$(realpath -m "$1/$module_from_bin/halvion_hamlib.so")
    [ -f "$module" ] || fail "no rig module at $module"
    ! grep -q hamlib <<<"$needed" || fail "the program itself needs Hamlib: $needed"
    readelf -d "$module" | grep NEEDED | grep libhamlib >/dev/null || fail "the rig module does not need Hamlib"
}
check_module "$work/prefix/bin"

# The package: name, section, dependencies found from the linked libraries, lintian.
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb="$work/deb/halvion_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made $(ls "$work/deb"), not $(basename "$deb")"
fields=$(dpkg-deb -f "$deb" Package Version Section Depends Maintainer)
grep -qx "Section: hamradio" <<<"$fields" || fail "section: $fields"
grep -q "^Depends:.*libc6.*" <<<"$fields" || fail "Depends not from the linked libraries: $fields"
grep -q "^Depends:.*libqt6widgets6" <<<"$fields" || fail "Depends misses Qt Widgets: $fields"
grep -q "^Depends:.*qt6-qpa-plugins" <<<"$fields" || fail "Depends misses the platform plugins: $fields"
grep -q "^Depends:.*libqt6sql6-sqlite" <<<"$fields" || fail "Depends misses the SQLite driver: $fields"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian found errors or warnings"

# The unpacked program starts headless and answers.
dpkg-deb -x "$deb" "$work/root"
check_module "$work/root/usr/bin"
grep -q "^Depends:.*libqt6multimedia6" <<<"$fields" || fail "Depends misses the monitor's Qt Multimedia: $fields"
grep -q "^Depends:.*libhamlib" <<<"$fields" || fail "Depends misses the rig module's Hamlib: $fields"
got=$(QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/halvion" --version) || fail "--version failed"
[ "$got" = "Halvion $version" ] || fail "--version said '$got'"
set +e
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/halvion" --no-such-option >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 2 ] || fail "an unknown option ended with $code, not 2"
echo "check_package: $(basename "$deb") passes"
