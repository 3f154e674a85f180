#!/usr/bin/env bash
# Checks a built Debian package: shows its control data and files, checks that it holds what
# a desktop needs and nothing outside /usr, that its dependencies came from dpkg-shlibdeps,
# then installs and removes it in a throw-away dpkg root (dpkg --root) and checks that the
# desktop database learns and forgets its link handler and that the removal leaves nothing
# else behind.
#   scripts/check-package.sh build-package/package/corvane_0.1.0_amd64.deb
set -euo pipefail
deb=$(realpath "$1")

fail() {
  echo "check-package: $*" >&2
  exit 1
}

dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|')

expected=(
  /usr/bin/corvane
  /usr/bin/corvane-logview
  /usr/lib/corvane/libcef.so
  /usr/lib/corvane/corvane-web-extension/libcorvane_web_extension.so
  /usr/share/applications/com.corvane.Corvane.desktop
  /usr/share/icons/hicolor/scalable/apps/corvane.svg
  /usr/share/icons/hicolor/16x16/apps/corvane.png
  /usr/share/icons/hicolor/48x48/apps/corvane.png
  /usr/share/icons/hicolor/256x256/apps/corvane.png
  /usr/share/metainfo/com.corvane.Corvane.metainfo.xml
  /usr/share/man/man1/corvane.1.gz
)
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$files" || fail "missing $path"
done
outside=$(grep -vE '^/(usr(/.*)?)?$' <<<"$files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libgtk-3-0 libwebkit2gtk-4.1-0; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done

control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||')
for script in postinst postrm; do
  grep -qxF "$script" <<<"$control" || fail "no $script script"
done

# A throw-away root with an empty dpkg database; the dependencies are the host's business.
instroot=$(mktemp -d)
trap 'rm -rf "$instroot"' EXIT
mkdir -p "$instroot/var/lib/dpkg/info" "$instroot/var/lib/dpkg/updates"
touch "$instroot/var/lib/dpkg/status" "$instroot/var/lib/dpkg/available"
dpkg_root=(dpkg --root="$instroot" --force-depends --force-script-chrootless --force-bad-path)
"${dpkg_root[@]}" --install "$deb" >/dev/null
for path in "${expected[@]}"; do
  [ -e "$instroot$path" ] || fail "not installed: $path"
done
# The database the maintainer scripts keep: not the package's own file, so it may stay.
mime_cache=/usr/share/applications/mimeinfo.cache
if command -v update-desktop-database >/dev/null; then
  grep -qxF 'x-scheme-handler/corvane=com.corvane.Corvane.desktop;' "$instroot$mime_cache" ||
    fail "the desktop database does not know the corvane:// handler"
fi
runpath=$(readelf -d "$instroot/usr/bin/corvane" | grep -oE '(RUNPATH|RPATH).*\[.*\]')
grep -qF '[$ORIGIN/../lib/corvane]' <<<"$runpath" || fail "corvane's $runpath"
"${dpkg_root[@]}" --purge corvane >/dev/null
if [ -e "$instroot$mime_cache" ] && grep -q corvane "$instroot$mime_cache"; then
  fail "the desktop database still knows the corvane:// handler"
fi
left=$(find "$instroot" -mindepth 1 -not -path "$instroot/var/lib/dpkg*" -not -type d \
  -not -path "$instroot$mime_cache")
[ -z "$left" ] || fail "left after removal: $left"
[ ! -e "$instroot/usr/lib/corvane" ] || fail "left after removal: /usr/lib/corvane"
echo "check-package: $(basename "$deb") installs and removes cleanly"
