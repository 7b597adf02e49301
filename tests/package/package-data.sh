# The package's data files say what the program does: access for the switch only, a metainfo
# file that software centres accept and that tells the releases of the changelog, and every
# settings key in tarvexcc(1). Usage: package-data.sh SOURCE_DIR
set -uo pipefail
cd "$1/resources" || exit 1
fail=0
check() { # description command...
  local what=$1; shift
  "$@" || { echo "FAILED: $what" >&2; fail=1; }
}
# Every line granting access names product 03eb and no other.
check "udev rule grants the switch only" \
  sh -c '! grep uaccess 70-tarvex.rules | grep -qv "ATTRS{idProduct}==\"03eb\"," && grep -q uaccess 70-tarvex.rules'
check "metainfo validates" appstreamcli validate --no-net cc.tarvex.TarvexCC.metainfo.xml
check "metainfo releases are the changelog's" test \
  "$(grep -o '<release version="[^"]*"' cc.tarvex.TarvexCC.metainfo.xml | cut -d'"' -f2)" = \
  "$(grep -o '^tarvexcc ([^)]*)' debian/changelog | tr -d '()' | cut -d' ' -f2)"
settings=$(man -l tarvexcc.1 2>/dev/null | sed -n '/^SETTINGS/,/^SEE ALSO/p')
for key in "Selected Switch" "Port Names" "Time Interval" "Firmware Check URL" "Switch Together" \
           "Port 1" "Port 4" "Rotate" keyCode modifiers; do
  check "tarvexcc(1) documents \"$key\"" grep -q "$key" <<<"$settings"
done
exit $fail
