#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine with apt-get, runs
# the installed client as a user would (tests/install/installed_client_check.py
# under a private Xvfb and home), removes the package again and checks that
# nothing of it is left. Run by hand as root (or with sudo); it refuses to
# touch a machine where the package is already installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if dpkg-query -W -f='${Status}' quorbital 2>/dev/null | grep -q "installed"; then
  echo "PACKAGE TEST: quorbital is installed on this machine already; remove it first"
  exit 1
fi
deb="$("$root/scripts/package.sh" | tail -n 1)"
[ -f "$deb" ] || { echo "PACKAGE TEST: no package built"; exit 1; }
files="$(mktemp /tmp/quorbital-files.XXXXXX)"
dpkg-deb --contents "$deb" | awk '{print substr($6, 2)}' | sed 's:/$::' | grep -v '^$' >"$files"

failed=()
removed=0
remove_package() {
  [ "$removed" = 1 ] && return
  removed=1
  echo "==== removing the package"
  $SUDO apt-get remove --purge -y -q quorbital >/dev/null
}
trap 'remove_package; rm -f "$files"' EXIT

echo "==== installing $deb"
$SUDO apt-get install -y -q "$deb" >/dev/null
# The triggers have run: the desktop's caches know the entry and the type.
grep -q "application/x-zv=quorbital.desktop" /usr/share/applications/mimeinfo.cache ||
  failed+=("desktop database")
grep -q "application/x-zv:\*\.zv" /usr/share/mime/globs2 || failed+=("MIME database")
grep -qa "quorbital" /usr/share/icons/hicolor/icon-theme.cache || failed+=("icon cache")

echo "==== the installed client"
if ! (cd /tmp && FORCE_XVFB=1 PRIVATE_HOME=1 "$root/scripts/with-display.sh" \
    python3 "$root/tests/install/installed_client_check.py"); then
  failed+=("installed client")
fi

remove_package
left=()
while read -r path; do
  # Folders the package shares with others (/usr, /usr/share/...) stay.
  if [ -e "$path" ] && ! [ -d "$path" ]; then left+=("$path"); fi
done <"$files"
for dir in /usr/share/quorbital /usr/lib/quorbital /usr/share/doc/quorbital; do
  [ -e "$dir" ] && left+=("$dir")
done
[ ${#left[@]} -eq 0 ] || { printf 'left behind: %s\n' "${left[@]}"; failed+=("removal"); }
if grep -q "quorbital" /usr/share/applications/mimeinfo.cache 2>/dev/null ||
   grep -q "application/x-zv" /usr/share/mime/globs2 2>/dev/null ||
   grep -qa "quorbital" /usr/share/icons/hicolor/icon-theme.cache 2>/dev/null; then
  failed+=("caches after removal")
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "PACKAGE TEST FAILED: ${failed[*]}"
  exit 1
fi
echo "PACKAGE TEST: installed, used and removed cleanly ($(basename "$deb"))"
