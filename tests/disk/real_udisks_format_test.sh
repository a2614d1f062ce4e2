#!/usr/bin/env bash
# orvia-cli against the distribution's own disk service, as the ordinary user "driver": the
# card is listed from the service, formatted (clean FAT32 with 32 KB clusters, mounted again
# under its new label, settings file kept byte for byte), and, once polkit refuses the right,
# left mounted, listed and unchanged, with the refused right named.
#
#   real_udisks_format_test.sh ORVIA_CLI
#
# Exits 77 (skipped) with the reason where the daemons or loop devices cannot run here.
set -uo pipefail
cli=$(readlink -f "$1")
support=$(cd "$(dirname "$0")/../support" && pwd)/real_udisks.sh
export PATH=$PATH:/usr/sbin:/sbin

skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "starting udisksd, polkitd and udevd on a private bus needs root"
[ -e /dev/loop-control ] && losetup -f >/dev/null 2>&1 || skip "this machine has no free loop device"
for tool in /usr/libexec/udisks2/udisksd /usr/lib/polkit-1/polkitd /lib/systemd/systemd-udevd \
            /usr/bin/fusefat /usr/bin/dbus-daemon; do
  [ -x "$tool" ] || { echo "FAIL: $tool is missing (script/bootstrap installs it)"; exit 1; }
done

state=$(mktemp -d /tmp/orvia-real-udisks.XXXXXX)
chmod 755 "$state"
cleanup() { "$support" down "$state" >/dev/null 2>&1; rm -rf "$state"; }
trap cleanup EXIT
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$state/bus.sock
failed=0
check() {  # check TEXT COMMAND...: runs COMMAND, reports TEXT as passed or failed
  local text=$1
  shift
  if "$@"; then echo "ok: $text"; else echo "FAIL: $text"; failed=1; fi
}
as_driver() {
  setpriv --reuid=driver --regid=driver --init-groups env HOME=/home/driver \
    DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" ORVIA_TEST_LOOP_CARDS=1 "$@"
}
mounted_at() { grep -q " $1 " /proc/self/mountinfo; }

"$support" up "$state" || { tail -5 "$state"/*.log; skip "the disk service did not start here (logs above)"; }
mkdir -p "$state/src/Normal" "$state/src/Config"
printf 'VOLUME=3\r\nMIRROR=1\r\nTIMEZONE=9\r\n' >"$state/src/Config/setup.dat"
loop=$("$support" card "$state" "$state/src/" | tail -n 1)
mounted_at /media/driver/CARD || skip "the service could not mount a card image here"
chmod 755 "$state"  # driver reads nothing here; the service needs the image only

cards=$(as_driver "$cli" cards)
echo "$cards"
check "cards lists the card from the disk service" \
  grep -q '"mountPoint":"/media/driver/CARD","device":"'"$loop"'".*"source":"udisks"' <<<"$cards"

out=$(as_driver "$cli" format /media/driver/CARD --label NEWLABEL --yes 2>"$state/err"); rc=$?
echo "$out"; cat "$state/err"
check "format succeeds" test "$rc" = 0
check "the card is mounted again under its new label" mounted_at /media/driver/NEWLABEL
check "format reports the new mount point" grep -q '"mountPoint":"/media/driver/NEWLABEL"' <<<"$out"
check "the settings file is kept byte for byte" cmp "$state/src/Config/setup.dat" /media/driver/NEWLABEL/Config/setup.dat
check "the recorder's Normal folder is there" test -d /media/driver/NEWLABEL/Normal
udisksctl unmount --no-user-interaction -b "$loop" >/dev/null
check "fsck.fat finds the new file system clean" fsck.fat -n "$loop"
check "clusters are 32 KB (64 sectors of 512 bytes)" \
  test "$(od -An -tu1 -j11 -N3 "$loop" | tr -s ' ')" = " 0 2 64"
as_driver udisksctl mount --no-user-interaction -b "$loop" >/dev/null

"$support" deny "$state"
before=$(md5sum <"$loop")
as_driver "$cli" format /media/driver/NEWLABEL --label OTHER 2>"$state/err"
cat "$state/err"
check "before the format, the password the system will ask for is named" \
  grep -q "administrator's password.*org.freedesktop.udisks2.open-device" "$state/err"
as_driver "$cli" format /media/driver/NEWLABEL --label OTHER --yes 2>"$state/err"; rc=$?
cat "$state/err"
check "a refused format fails" test "$rc" != 0
check "the refusal names the missing right" grep -q "right to open the card for writing (org.freedesktop.udisks2.open-device)" "$state/err"
check "the card stays mounted" mounted_at /media/driver/NEWLABEL
check "the card stays listed" grep -q '"mountPoint":"/media/driver/NEWLABEL"' <<<"$(as_driver "$cli" cards)"
check "the card is unchanged byte for byte" test "$(md5sum <"$loop")" = "$before"
exit "$failed"
