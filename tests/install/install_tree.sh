#!/usr/bin/env bash
# install_tree.sh BUILD_DIR: installs the build into temporary prefixes and
# checks what a desktop reads from the tree. The MIME package is checked in
# a database built from it alone (update-mime-database), read back from its
# magic and globs2 files: asking xdg-mime would fall back to `file`, which
# knows SWF already and so would tell nothing about our package.
# Exits 77 (skipped) when a checking tool is missing.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build="$(cd "$1" && pwd)"
need desktop-file-validate xmllint update-mime-database

# PNG width and height from the IHDR chunk.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'
}

echo "== the tree"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/orvanto bin/orvanto-swf libexec/orvanto/orvanto; do
    [[ -x "$prefix/$file" ]] || fail "$file is not an installed program"
done
for file in share/orvanto/vesk.swf share/orvanto/winaqua.skn share/orvanto/winaqua/panel.png \
    share/applications/orvanto.desktop share/mime/packages/orvanto.xml \
    share/thumbnailers/orvanto.thumbnailer share/icons/hicolor/scalable/apps/orvanto.svg \
    share/man/man1/orvanto.1.gz share/man/man1/orvanto-swf.1.gz; do
    [[ -f "$prefix/$file" ]] || fail "$file is missing"
done
for size in 16 32 48 64 128 256 512; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/orvanto.png"
    [[ -f "$icon" ]] || fail "no ${size}px icon"
    [[ "$(png_size "$icon")" == "${size}x${size}" ]] || fail "the ${size}px icon is $(png_size "$icon")"
done
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/orvanto.svg"

echo "== DESTDIR"
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/orvanto-test >/dev/null
[[ -x "$work/stage/opt/orvanto-test/bin/orvanto" ]] || fail "DESTDIR was not honoured"
[[ ! -e /opt/orvanto-test ]] || fail "installed outside DESTDIR"

echo "== the desktop entry"
entry="$prefix/share/applications/orvanto.desktop"
desktop-file-validate "$entry"
for line in '^Exec=orvanto %F$' '^Icon=orvanto$' '^Name\[zh_CN\]=' '^Comment=' '^Comment\[zh_CN\]=' \
    '^MimeType=.*application/vnd\.adobe\.flash\.movie;'; do
    grep -q "$line" "$entry" || fail "the desktop entry lacks $line"
done

echo "== the MIME package"
package="$prefix/share/mime/packages/orvanto.xml"
xmllint --noout "$package"
mime="$work/mime"
mkdir -p "$mime/packages"
cp "$package" "$mime/packages/"
XDG_DATA_DIRS="$work" update-mime-database "$mime"
grep -qx '50:application/vnd.adobe.flash.movie:\*\.swf' "$mime/globs2" || fail "globs2: no *.swf"
grep -qx 'application/x-shockwave-flash application/vnd.adobe.flash.movie' "$mime/aliases" ||
    fail "aliases: no application/x-shockwave-flash"
# magic: "MIME-Magic\0\n", then per type "[priority:type]\n" and per match
# ">offset=" with a 16-bit big-endian length and the bytes.
[[ "$(head -c 12 "$mime/magic" | od -An -c | tr -d ' ')" == 'MIME-Magic\0\n' ]] ||
    fail "magic: not a MIME magic file"
LC_ALL=C grep -qa '^\[50:application/vnd.adobe.flash.movie\]$' "$mime/magic" ||
    fail "magic: no section for application/vnd.adobe.flash.movie"
for signature in FWS CWS ZWS; do
    LC_ALL=C grep -qaP ">0=\\x00\\x03$signature\$" "$mime/magic" || fail "magic: no $signature at 0"
done

echo "== the thumbnailer entry"
thumbnailer="$prefix/share/thumbnailers/orvanto.thumbnailer"
grep -qx '\[Thumbnailer Entry\]' "$thumbnailer" || fail "the thumbnailer entry has no group"
exec_line="$(sed -n 's/^Exec=//p' "$thumbnailer")"
[[ "$exec_line" == *%i* && "$exec_line" == *%o* && "$exec_line" == *%s* ]] ||
    fail "the thumbnailer's Exec misses %i, %o or %s"
# Run as a file manager would, with the installed program on the path.
command_line="${exec_line//%i/$prefix/share/orvanto/vesk.swf}"
command_line="${command_line//%o/$work/thumbnail.png}"
command_line="${command_line//%s/128}"
read -r -a words <<<"$command_line"
PATH="$prefix/bin:$PATH" "${words[@]}"
[[ "$(png_size "$work/thumbnail.png")" == 128x* ]] || fail "the thumbnail is $(png_size "$work/thumbnail.png")"
"$prefix/bin/orvanto-swf" info "$prefix/share/orvanto/vesk.swf" | grep -q '"frameCount"' ||
    fail "orvanto-swf info does not run from the tree"

echo "== the man pages"
for page in orvanto orvanto-swf; do
    gzip -t "$prefix/share/man/man1/$page.1.gz"
    if command -v man >/dev/null; then
        warnings="$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
        [[ -z "$warnings" ]] || fail "$page.1: $warnings"
    fi
done

echo "== the launcher"
# The installed tree moves as a whole: the launcher finds the player and the
# data from its own place.
mv "$prefix" "$work/moved"
prefix="$work/moved"
data="$work/home/.local/share/orvanto"
version="$(cd "$work" && env -u XDG_DATA_HOME HOME="$work/home" QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/orvanto" --version)"
[[ "$version" == "Orvanto 1.0" ]] || fail "the launcher did not start the player: $version"
for name in vesk.swf winaqua.skn winaqua; do
    [[ "$(readlink "$data/$name")" == "$prefix/share/orvanto/$name" ]] ||
        fail "$name is not linked into the start-up directory"
done
[[ -f "$data/FlashList.ini" && ! -s "$data/FlashList.ini" ]] || fail "no empty list file"
[[ "$(stat -c %a "$data")" == 700 ]] || fail "the start-up directory is open to others"
printf '/m/a.swf\r\n' >"$data/FlashList.ini"
XDG_DATA_HOME="$work/home/.local/share" QT_QPA_PLATFORM=offscreen "$prefix/bin/orvanto" --version >/dev/null
[[ "$(cat "$data/FlashList.ini")" == $'/m/a.swf\r' ]] || fail "the launcher touched the list file"

echo "install tree: all checks passed"
