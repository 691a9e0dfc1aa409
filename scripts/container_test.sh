#!/usr/bin/env bash
# The container image of the Containerfile: built from the Debian package and
# run as a catalogue's worker on a list of songs, its outputs byte for byte
# those of the program built here. Where podman cannot run a container (a
# sandbox without the rights, no registry to take Debian from), the file is
# checked with what can run, and the run says so.
#
#   bash scripts/container_test.sh [package folder]     (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-package}
fail() {
  echo "container test: $*" >&2
  exit 1
}

# What can always be checked: the base, the entry point, the packages it
# installs besides ours, and that our package holds the entry point.
grep -qx 'FROM docker.io/library/debian:12-slim' Containerfile || fail "the base is not Debian 12 slim"
grep -qx 'ENTRYPOINT \["sonavix", "--render"\]' Containerfile || fail "the entry point is not sonavix --render"
deb=$(ls "$folder"/sonavix_*.deb) || fail "no package in $folder"
dpkg-deb -c "$deb" | grep ' \./usr/bin/sonavix$' >/dev/null || fail "the package has no /usr/bin/sonavix"
for package in $(sed -n 's/^ *\/tmp\/sonavix_\*\.deb \([a-z0-9 -]*\).*$/\1/p' Containerfile); do
  apt-cache show "$package" >/dev/null 2>&1 || fail "Debian has no package $package"
done
grep -q '^!build-package/sonavix_\*\.deb$' .containerignore || fail ".containerignore lets more than the package in"

# Can podman run a container here at all?
if ! command -v podman >/dev/null; then
  echo "container test: podman is not installed; the Containerfile was checked without it"
  exit 0
fi
if ! reason=$(podman run --rm --rootfs / /bin/true 2>&1); then
  echo "container test: podman cannot run a container on this machine (${reason##*: }); the Containerfile was checked without it"
  exit 0
fi
if ! reason=$(podman pull -q docker.io/library/debian:12-slim 2>&1); then
  echo "container test: Debian 12 slim cannot be fetched here (${reason##*: }); the Containerfile was checked without it"
  exit 0
fi

work=$(mktemp -d)
image=sonavix-container-test
trap 'podman rmi -f "$image" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
podman build -q -f Containerfile --build-arg PACKAGE="$folder" -t "$image" . >/dev/null || fail "podman build failed"
mkdir -p "$work/out" "$work/here"
for i in 0 1 2; do
  sox -n -r 44100 -c 2 -b 16 "$work/song$i.wav" synth 1 pluck $((196 + 50 * i)) 2>/dev/null
  echo "song$i.wav" >>"$work/list.txt"
done
podman run --rm -v "$work:/work" "$image" -p vcd -o /work/out/ --list /work/list.txt --report /work/report.jsonl \
  --quiet || fail "the container's render failed"
QT_QPA_PLATFORM=offscreen "$folder/src/app/sonavix" --render -p vcd -o "$work/here/" --list "$work/list.txt" --quiet ||
  fail "the render here failed"
for i in 0 1 2; do
  cmp -s "$work/out/song$i.mpg" "$work/here/song$i.mpg" || fail "song$i.mpg from the container differs"
done
[ "$(wc -l <"$work/report.jsonl")" = 3 ] || fail "the container's report does not have 3 lines"
echo "container test: the image renders a list as the program here does, byte for byte"
