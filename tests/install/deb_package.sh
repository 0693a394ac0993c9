#!/usr/bin/env bash
# deb_package.sh BUILD_DIR: cpack makes the Debian package into a temporary
# folder; its dependencies must have been computed from the programs, it
# must hold the installed tree, and its one maintainer script is the
# post-install refresh of the MIME and desktop databases.
# Exits 77 (skipped) when a packaging tool is missing.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build="$(cd "$1" && pwd)"
need cpack dpkg-deb dpkg-shlibdeps

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/orvanto_*_*.deb)
[[ -f "${debs[0]}" ]] || fail "no orvanto_*.deb"
deb="${debs[0]}"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for library in libqt6widgets6 libqt6network6 libqt6gui6 libasound2 libmpg123-0 libc6; do
    [[ "$depends" == *"$library ("* ]] || fail "Depends lacks $library with a version"
done

dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/contents"
for file in ./usr/bin/orvanto ./usr/bin/orvanto-swf ./usr/libexec/orvanto/orvanto \
    ./usr/share/orvanto/vesk.swf ./usr/share/applications/orvanto.desktop \
    ./usr/share/mime/packages/orvanto.xml ./usr/share/thumbnailers/orvanto.thumbnailer \
    ./usr/share/icons/hicolor/512x512/apps/orvanto.png ./usr/share/man/man1/orvanto.1.gz; do
    grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done

dpkg-deb -e "$deb" "$work/control"
scripts="$(cd "$work/control" && ls | grep -v -x -e control -e md5sums | tr '\n' ' ')"
[[ "$scripts" == "postinst " ]] || fail "maintainer scripts: $scripts"
[[ -x "$work/control/postinst" ]] || fail "postinst is not executable"
sh -n "$work/control/postinst"
grep -q 'update-mime-database "/usr/share/mime"' "$work/control/postinst" || fail "postinst: no MIME refresh"
grep -q 'update-desktop-database -q "/usr/share/applications"' "$work/control/postinst" ||
    fail "postinst: no desktop refresh"
echo "deb package: $(basename "$deb") checked"
