#!/bin/sh
# Builds the Debian package with package.sh and checks it the way it is installed: the files and their
# places, the dependencies, the desktop entry and the AppStream metadata (with their validators), the
# manual pages, and a first start of the unpacked program, run from a folder of its own under Xvfb, which
# must find its shipped files relative to its own location.
#
#   tests/packaging/check-package.sh              build the package, then check it
#   tests/packaging/check-package.sh PACKAGE.deb  check a package built before
set -e

if [ "$1" = "--first-start" ]; then
    # Runs inside xvfb-run: starts the unpacked program on a fresh profile, answers the first-run questions
    # with the keyboard and waits until the main window is up. $2 is the check folder.
    tmp=$2
    work=$tmp/home/.local/share/Vantrel
    mkdir -p "$tmp/home" "$tmp/runtime"
    chmod 700 "$tmp/runtime"
    cd "$tmp"
    env -u VANTREL_HOME -u XDG_DATA_HOME HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" \
        "$tmp/root/usr/bin/vantrel" >"$tmp/vantrel.out" 2>&1 &
    pid=$!
    status=1
    tries=0
    while [ $tries -lt 120 ]; do
        tries=$((tries + 1))
        sleep 0.5
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "vantrel ended during its first start" >&2
            break
        fi
        if window=$(xdotool search --onlyvisible --name '^(Error|Warning)$' 2>/dev/null | head -n 1) &&
            [ -n "$window" ]; then
            echo "vantrel showed an error box on its first start" >&2
            break
        fi
        if window=$(xdotool search --onlyvisible --name '^Information$' 2>/dev/null | head -n 1) &&
            [ -n "$window" ]; then
            xdotool windowfocus --sync "$window" key Return
            continue
        fi
        if window=$(xdotool search --onlyvisible --name '^Grid Square$' 2>/dev/null | head -n 1) &&
            [ -n "$window" ]; then
            xdotool windowfocus --sync "$window" type FN31PR
            xdotool windowfocus --sync "$window" key Return
            continue
        fi
        if [ -n "$(xdotool search --onlyvisible --name '^Vantrel' 2>/dev/null | head -n 1)" ] &&
            [ -f "$work/logs.db" ]; then
            status=0
            break
        fi
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ $status -ne 0 ]; then
        cat "$tmp/vantrel.out" >&2
    fi
    exit $status
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
    echo "check-package: $*" >&2
    exit 1
}

if [ -n "$1" ]; then
    deb=$1
else
    JOBS=2 nice -n 10 "$root/package.sh"
    deb=$(ls "$root"/build/package/vantrel_*.deb)
fi
[ -f "$deb" ] || fail "no package built"

version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "vantrel_${version}_${arch}.deb" ] || fail "package named $(basename "$deb")"
project_version=$(sed -n 's/^project(Vantrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$version" = "$project_version" ] || fail "package version $version, project version $project_version"

depends=$(dpkg-deb -f "$deb" Depends)
for package in xdg-utils libqt6sql6-sqlite libssl3 libarchive13 libqt6core6 libqt6widgets6 libqt6network6 libqt6charts6 \
    libc6; do
    echo "$depends" | grep -q "\(^\|, \)$package\b" || fail "Depends lacks $package: $depends"
done

recommends=$(dpkg-deb -f "$deb" Recommends)
echo "$recommends" | grep -q "\(^\|, \)libqt6sql6-psql\b" || fail "Recommends lacks libqt6sql6-psql: $recommends"
echo "$depends" | grep -q "\(^\|, \)libpq5\b" || fail "Depends lacks libpq5: $depends"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg -x "$deb" "$tmp/root"
usr=$tmp/root/usr
for file in bin/vantrel bin/vantrel-licence-import share/vantrel/config.db share/vantrel/config.sql \
    share/vantrel/postal.db share/doc/vantrel/vantrel.pdf \
    share/doc/vantrel/copyright share/applications/vantrel.desktop \
    share/icons/hicolor/scalable/apps/vantrel.svg share/icons/hicolor/256x256/apps/vantrel.png \
    share/man/man1/vantrel.1.gz; do
    [ -f "$usr/$file" ] || fail "missing /usr/$file"
done
[ -x "$usr/bin/vantrel" ] || fail "/usr/bin/vantrel is not executable"
# Every command in bin/ has its manual page.
for command in "$usr"/bin/*; do
    name=$(basename "$command")
    [ -f "$usr/share/man/man1/$name.1.gz" ] || fail "no manual page for $name"
    gzip -dc "$usr/share/man/man1/$name.1.gz" | grep -q "^\.TH $(echo "$name" | tr a-z A-Z) 1" ||
        fail "manual page of $name has no title line"
done
# The manual page names every option and exit status of the command line; the page renders without
# warnings.
page=$(gzip -dc "$usr/share/man/man1/vantrel.1.gz")
for option in '\\-\\-import\\-adif' '\\-\\-log' '\\-\\-keep\\-dupes' '\\-\\-help' '\\-\\-version'; do
    printf "%s\n" "$page" | grep -q -- "$option" || fail "manual page lacks $option"
done
for status in 0 1 2; do
    printf "%s\n" "$page" | sed -n '/^\.SH EXIT STATUS/,/^\.SH/p' | grep -q "^$status " || fail "manual page lacks exit status $status"
done
warnings=$(printf "%s\n" "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1) || true
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
# Help from the command line needs no display.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$usr/bin/vantrel" --help) ||
    fail "vantrel --help did not end with 0"
echo "$help" | grep -q '^usage: vantrel' || fail "vantrel --help printed no usage"
head -c 5 "$usr/share/doc/vantrel/vantrel.pdf" | grep -q '%PDF-' || fail "the manual is not a PDF"
file "$usr/share/icons/hicolor/256x256/apps/vantrel.png" | grep -q 'PNG image data, 256 x 256' ||
    fail "the icon is not a 256 x 256 PNG"

desktop-file-validate "$usr/share/applications/vantrel.desktop"
grep -q '^Categories=.*HamRadio;' "$usr/share/applications/vantrel.desktop" || fail "no HamRadio category"
grep -q '^Icon=vantrel$' "$usr/share/applications/vantrel.desktop" || fail "desktop entry names another icon"
metainfo=$(ls "$usr"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo"
grep -q '<launchable type="desktop-id">vantrel.desktop</launchable>' "$metainfo" ||
    fail "metadata does not launch vantrel.desktop"
grep -q '<screenshot type="default">' "$metainfo" || fail "metadata has no screenshot"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metadata names no release $version"
# Home page and screenshot are the repository's README and docs/, not a made-up site.
grep -q '<url type="homepage">https://[^<]*#readme</url>' "$metainfo" || fail "metadata home page is not the README"
grep -q '<image>https://[^<]*/docs/screenshot.png</image>' "$metainfo" ||
    fail "metadata screenshot is not docs/screenshot.png"
! grep -q 'example\.org' "$metainfo" || fail "metadata names a placeholder address"

# First start from the check folder, which holds no shipped file: whatever the program uses comes from
# the unpacked tree next to its executable.
xvfb-run -a "$0" --first-start "$tmp" || fail "first start of the unpacked program failed"
work=$tmp/home/.local/share/Vantrel
# The program turns its databases to WAL journals, which rewrites the header: look for the shipped rows.
grep -a -q 'Open Season' "$work/config.db" || fail "the work folder did not get the shipped config.db"
cat "$work"/logs.db* | grep -a -q 'CREATE TABLE config' || fail "logs.db did not get the config table of config.sql"
grep -q '^Grid=FN31PR' "$work/Vantrel.cfg" || fail "the first start did not save the grid locator"
echo "check-package: $(basename "$deb") is sound"
