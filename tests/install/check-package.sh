#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks its name, its
# control fields, its maintainer scripts and its file list with dpkg-deb.
# Usage: check-package.sh BUILD_DIR INSTALL_PREFIX
set -euo pipefail
build=$1
prefix=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$scratch" >/dev/null)
deb=$scratch/hvnserver_4.09_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$scratch")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hvnserver ] || fail "Package is $(field Package)"
[ "$(field Version)" = 4.09 ] || fail "Version is $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for runtime in adduser libqt6core6 libqt6network6 libqt6serialport6 libqt6widgets6; do
  grep -Eq "\b${runtime}(t64)?\b" <<<"$depends" || fail "Depends lacks $runtime: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for expected in "$prefix/bin/hvnserver" "$prefix/bin/hvn-switcher-sim" "$prefix/bin/hvn-logitek-console" \
  "$prefix/lib/systemd/system/hvnserver.service" "$prefix/share/man/man1/hvnserver.1.gz" \
  "$prefix/share/applications/hvnserver.desktop" "$prefix/share/icons/hicolor/scalable/apps/hvnserver.svg"; do
  grep -qx "$expected" <<<"$files" || fail "the package lacks $expected"
done
# The settings and logs are made at run time, so remove and upgrade keep them.
! grep -q '^/var/lib/hvnserver/.' <<<"$files" || fail "the package ships files in the app folder"

control=$scratch/control
dpkg-deb -e "$deb" "$control"
defaults=$(grep '/default/hvnserver$' <<<"$files") || fail "the package lacks the defaults file"
grep -qx "$defaults" "$control/conffiles" || fail "$defaults is not a conffile"
for script in postinst prerm postrm; do
  [ -x "$control/$script" ] || fail "no executable $script"
  sh -n "$control/$script" || fail "$script does not parse"
done
grep -q 'adduser .*--system' "$control/postinst" || fail "postinst makes no system user"
! grep -v '^ *#' "$control/postinst" | grep -Eq 'systemctl (enable|start)' || fail "postinst enables the unit"
echo "checked $(basename "$deb")"
