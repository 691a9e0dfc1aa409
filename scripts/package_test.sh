#!/usr/bin/env bash
# Builds the Debian package from a Release build with Debian's hardening
# flags, checks the desktop entry, metainfo, manual page and package with the
# desktop's own validators, man and lintian, builds and runs the container
# image made from it (scripts/container_test.sh), installs the package the way a
# user does (apt-get install ./sonavix_*.deb), checks that the installed
# program runs without a display and that its files are where the desktop
# looks for them, then purges it and checks that none of its files remain.
#
#   bash scripts/package_test.sh [build folder]      (default: build-package)
#
# Runs as root, after scripts/setup.sh. Where the package is installed
# already, the install and purge are left out, so a working installation is
# never taken away.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
app_id=de.quorvin.sonavix

fail() {
  echo "package test: $*" >&2
  exit 1
}

bash scripts/package_build.sh "$build"
rm -f "$build"/sonavix_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/sonavix_*.deb)
echo "package test: built $deb"

# The sources, as the desktop's tools see them.
desktop-file-validate "desktop/$app_id.desktop"
appstreamcli validate --no-net "desktop/$app_id.metainfo.xml"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l doc/sonavix.1 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man reports: $warnings"

# lintian: errors fail the test; warnings and notes are listed.
report=$(lintian --allow-root --tag-display-limit 0 --display-info "$deb" 2>&1 || true)
[ -z "$report" ] || echo "$report" | sed 's/^/lintian: /'
if grep -q '^E:' <<<"$report"; then fail "lintian reports errors"; fi

# The container image made from the package (where podman runs).
bash scripts/container_test.sh "$build"

if dpkg-query -W -f='${Status}' sonavix 2>/dev/null | grep -q "install ok installed"; then
  echo "package test: sonavix is installed on this machine already; install and purge left out"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get install -y "./$deb" >/dev/null
mapfile -t files < <(dpkg -L sonavix)
work=$(mktemp -d)
purge() {
  apt-get purge -y sonavix >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap purge EXIT

# The installed program, without a display: its version, and a render.
[ "$(command -v sonavix)" = /usr/bin/sonavix ] || fail "sonavix is not on the PATH as /usr/bin/sonavix"
sonavix --version | grep -q '1\.0' || fail "sonavix --version does not say 1.0"
sox -n -r 44100 -c 2 -b 16 "$work/song.wav" synth 3 sine 440 2>/dev/null
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  sonavix --render --quiet -p vcd -t "Probe" -o "$work/song.mpg" "$work/song.wav" ||
  fail "sonavix --render failed"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/song.mpg")
awk -v d="$duration" 'BEGIN { exit !(d > 2.5 && d < 3.5) }' || fail "the render lasts $duration s, not 3 s"

# Where the desktop looks.
for f in "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
         "/usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
         "/usr/share/icons/hicolor/256x256/apps/$app_id.png" \
         /usr/share/doc/sonavix/copyright /usr/share/doc/sonavix/changelog.gz; do
  [ -s "$f" ] || fail "$f is missing"
done
desktop-file-validate "/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"
[ "$(man -w sonavix)" = /usr/share/man/man1/sonavix.1.gz ] || fail "man does not find the page"
man sonavix 2>/dev/null | grep -q 'sonavix' || fail "man sonavix shows nothing"
grep -q "audio/mpeg" /usr/share/applications/mimeinfo.cache 2>/dev/null ||
  echo "package test: note: the desktop database has not been updated (desktop-file-utils missing?)"

# Purge, then nothing of the package may be left that no other package owns.
apt-get purge -y sonavix >/dev/null
left=()
for f in "${files[@]}"; do
  [ "$f" = /. ] && continue
  if [ -e "$f" ] || [ -L "$f" ]; then
    dpkg -S "$f" >/dev/null 2>&1 || left+=("$f")
  fi
done
[ ${#left[@]} -eq 0 ] || fail "left after purge: ${left[*]}"
echo "package test: installed, ran, found by the desktop, purged without leftovers"
