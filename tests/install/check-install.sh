#!/usr/bin/env bash
# Installs the build tree into a scratch DESTDIR and checks that the files
# are where the systemd unit and the desktop entry expect them, that the unit
# passes systemd-analyze verify where that exists, and that the man page
# renders without warnings.
# Usage: check-install.sh BUILD_DIR INSTALL_PREFIX
set -euo pipefail
build=$1
prefix=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

DESTDIR=$root cmake --install "$build" >/dev/null

for program in hvnserver hvn-switcher-sim hvn-logitek-console; do
  [ -x "$root$prefix/bin/$program" ] || fail "$prefix/bin/$program is not installed"
done
version=$("$root$prefix/bin/hvnserver" --version)
[ "$version" = "Version 4.09 - 05/23/2005" ] || fail "the installed server says '$version'"

# The unit: its program, its settings file and the options it passes.
unit=$root$prefix/lib/systemd/system/hvnserver.service
[ -f "$unit" ] || fail "no unit at $prefix/lib/systemd/system"
key() { sed -n "s/^$1=//p" "$2"; }
exec_start=$(key ExecStart "$unit")
program=${exec_start%% *}
[ -x "$root$program" ] || fail "ExecStart runs $program, which is not installed"
[ "$program" = "$prefix/bin/hvnserver" ] || fail "ExecStart runs $program"
case "$exec_start" in
  *' --headless --app-dir /var/lib/hvnserver --serial-device "${SERIAL_DEVICE}" $OPTIONS') ;;
  *) fail "ExecStart is '$exec_start'" ;;
esac
defaults=$(key EnvironmentFile "$unit")
defaults=${defaults#-}
[ -f "$root$defaults" ] || fail "EnvironmentFile $defaults is not installed"
grep -qx 'SERIAL_DEVICE=' "$root$defaults" || fail "$defaults does not offer SERIAL_DEVICE"
grep -qx 'OPTIONS=' "$root$defaults" || fail "$defaults does not offer OPTIONS"
[ "$(key User "$unit")" = hvnserver ] || fail "the unit does not run as hvnserver"
[ "$(key SupplementaryGroups "$unit")" = dialout ] || fail "the unit is not in the group dialout"
[ "$(key Restart "$unit")" = on-failure ] || fail "the unit is not restarted on failure"
[ "$(key ReadWritePaths "$unit")" = /var/lib/hvnserver ] || fail "the app folder is not writable"

# The desktop entry: its program, its icon, and the man page.
desktop=$root$prefix/share/applications/hvnserver.desktop
[ -f "$desktop" ] || fail "no desktop entry"
[ -x "$root$prefix/bin/$(key TryExec "$desktop")" ] || fail "TryExec names no installed program"
case "$(key Exec "$desktop")" in
  *'exec hvnserver --app-dir'*) ;;
  *) fail "Exec does not start hvnserver with a folder of the user's" ;;
esac
icon=$(key Icon "$desktop")
[ -f "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon '$icon'"
[ -f "$root$prefix/share/doc/hvnserver/help.html" ] || fail "no help page"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi

page=$root$prefix/share/man/man1/hvnserver.1.gz
[ -f "$page" ] || fail "no man page"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man -l warns: $warnings"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q 'Serial Device' || fail "man page lacks the Serial Device key"

if command -v systemd-analyze >/dev/null; then
  # A copy whose program is the one in the scratch root, with the man page
  # the unit documents itself with found there too.
  mkdir "$scratch/unit"
  sed "s|^ExecStart=$program|ExecStart=$root$program|" "$unit" >"$scratch/unit/hvnserver.service"
  verify=$(MANPATH=$root$prefix/share/man systemd-analyze verify "$scratch/unit/hvnserver.service" 2>&1) ||
    fail "systemd-analyze verify: $verify"
  [ -z "$verify" ] || fail "systemd-analyze verify warns: $verify"
else
  echo "systemd-analyze not found: the unit is not verified"
fi
echo "installed and checked under $prefix"
