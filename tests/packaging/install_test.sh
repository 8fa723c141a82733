#!/bin/sh
# The installed tree and the Debian package: every file where the programs and
# the desktop look for it, the desktop entry and the AppStream data valid, and
# the packaged kvbrt working from an unpacked root.
# Usage: install_test.sh BUILD_DIR
set -eu
build=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kvb-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
root="$scratch/root/usr"
share="$root/share/kvb-rt-wave-manager"
for f in bin/kvbrt bin/kvb-rt-wave-manager bin/kvb-pack \
         share/kvb-rt-wave-manager/resource/pack.bin \
         share/kvb-rt-wave-manager/language/STRING_TABLE_en.zar \
         share/kvb-rt-wave-manager/language/STRING_TABLE_ja.zar \
         share/kvb-rt-wave-manager/document/KVB-RT_Wave_Manager_en.pdf \
         share/kvb-rt-wave-manager/document/KVB-RT_Wave_Manager_ja.pdf \
         share/applications/org.kvbrt.WaveManager.desktop \
         share/metainfo/org.kvbrt.WaveManager.metainfo.xml \
         share/icons/hicolor/scalable/apps/kvb-rt-wave-manager.svg \
         share/icons/hicolor/48x48/apps/kvb-rt-wave-manager.png \
         share/icons/hicolor/128x128/apps/kvb-rt-wave-manager.png \
         share/icons/hicolor/256x256/apps/kvb-rt-wave-manager.png \
         share/man/man1/kvbrt.1 share/man/man1/kvb-rt-wave-manager.1 \
         share/bash-completion/completions/kvbrt; do
  [ -s "$root/$f" ] || fail "missing from the installed tree: $f"
done
for d in $(ls "$share"); do
  case "$d" in resource|language|document|licenses) ;; *) fail "unexpected data folder: $d" ;; esac
done
# The Japanese manual carries its font: a viewer without it shows boxes.
pdffonts "$share/document/KVB-RT_Wave_Manager_ja.pdf" | grep -q "VL-P*Gothic.* yes " ||
  fail "the Japanese help document does not embed its Japanese font"
pdfimages -list "$share/document/KVB-RT_Wave_Manager_en.pdf" | grep -q " image " ||
  fail "the help document holds no picture of a window"
desktop-file-validate "$root/share/applications/org.kvbrt.WaveManager.desktop" ||
  fail "desktop entry does not validate"
appstreamcli validate --no-net "$root/share/metainfo/org.kvbrt.WaveManager.metainfo.xml" >"$scratch/as.log" 2>&1 ||
  { cat "$scratch/as.log" >&2; fail "AppStream metadata does not validate"; }

# The package, unpacked where nothing of the build is visible.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$scratch"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsndfile1 libsdl2 libqt6widgets6 qt6-qpa-plugins; do
  echo "$depends" | grep -q "$lib" || fail "package does not depend on $lib: $depends"
done
dpkg -x "$deb" "$scratch/unpacked"
kvbrt="$scratch/unpacked/usr/bin/kvbrt"
"$kvbrt" --version | grep -q . || fail "packaged kvbrt --version printed nothing"
"$kvbrt" demo "$scratch/card" >/dev/null || fail "packaged kvbrt demo failed"
"$kvbrt" check "$scratch/card" >/dev/null || fail "the packaged kvbrt's demo card does not pass check"
"$scratch/unpacked/usr/bin/kvb-rt-wave-manager" --version | grep -q . ||
  fail "packaged kvb-rt-wave-manager --version printed nothing"
echo "install_test: $(basename "$deb") $(stat -c %s "$deb") bytes; Depends: $depends"
