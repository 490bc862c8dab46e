#!/usr/bin/env bash
# An installation into a fresh prefix holds everything and works from anywhere, and
# the Debian package installs into a clean tree, runs and removes without a trace.
# Usage: install.sh BUILD-DIR VERSION
BUILD=$1
VERSION=$2
. "$(dirname "$0")/lib.sh"

PREFIX="$WORK/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 || fail "install: $(cat "$WORK/install.log")"
for file in bin/smoke bin/smoke-render bin/smoke-bench share/man/man1/smoke.1.gz share/man/man1/smoke-render.1.gz \
    share/man/man1/smoke-bench.1.gz share/applications/smoke.desktop share/icons/hicolor/scalable/apps/smoke.svg \
    share/doc/smoke/copyright share/doc/smoke/changelog.gz; do
    [ -s "$PREFIX/$file" ] || fail "no $file in the installation"
done
# Nine, and the six of the converged projection.
[ "$(ls "$PREFIX/share/smoke/shaders" | wc -l)" -eq 15 ] || fail "not fifteen shaders: $(ls "$PREFIX/share/smoke/shaders")"

zcat "$PREFIX/share/doc/smoke/changelog.gz" | head -n 1 | grep -qF "smoke ($VERSION)" ||
    fail "the changelog's last entry is not of $VERSION"

# Started from a folder whose shaders are not its own, the installed renderer uses its own.
mkdir -p "$WORK/elsewhere/shaders"
echo "this is not a shader;" >"$WORK/elsewhere/shaders/advect.frag"
cd "$WORK/elsewhere" || fail "no folder"
printf 'grid 6 4\npour 0.5 0.5 2\npicture\n' >scenario.txt
"$PREFIX/bin/smoke-render" --solver gpu --size 12 scenario.txt >out 2>err ||
    fail "the installed smoke-render failed: $(cat err)"
[ -s picture-1.png ] || fail "no picture from the installed smoke-render"

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$WORK/cpack.log")"
DEB=$(ls "$WORK"/package/smoke_"$VERSION"_*.deb) || fail "no package: $(ls "$WORK/package")"
for library in libavcodec libavformat libavfilter libswscale; do
    dpkg-deb -f "$DEB" Depends | grep -q "$library" || fail "the package does not depend on $library"
done
dpkg-deb -f "$DEB" Recommends | grep -qw xvfb || fail "the package does not recommend xvfb, which the tools need"
# Errors and warnings fail; informational notes (hardening flags, .comment sections) do not.
lintian --fail-on error,warning "$DEB" >"$WORK/lintian.log" 2>&1 || fail "lintian: $(cat "$WORK/lintian.log")"
ROOT="$WORK/root"
mkdir -p "$ROOT/var/lib/dpkg/info" "$ROOT/var/lib/dpkg/updates"
touch "$ROOT/var/lib/dpkg/status"
# The libraries it needs come from this machine; the tree is for its own files.
DPKG=(dpkg --root="$ROOT" --force-depends --force-not-root --log=/dev/null)
"${DPKG[@]}" -i "$DEB" >"$WORK/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$WORK/dpkg.log")"
[ "$("$ROOT/usr/bin/smoke" --version)" = "smoke $VERSION" ] || fail "the packaged smoke: $("$ROOT/usr/bin/smoke" --version 2>&1)"
[ -s "$ROOT/usr/share/smoke/shaders/advect.frag" ] || fail "the package has no shaders"
"${DPKG[@]}" -r smoke >"$WORK/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$WORK/dpkg.log")"
left=$(find "$ROOT" -path "$ROOT/var" -prune -o -type f -print)
[ -z "$left" ] || fail "removal left files behind: $left"
echo "PASS"
