#!/bin/bash
# The distribution's own disk service (udisksd) with polkit and udev on a private system bus,
# so that card listing and formatting are tested against it as an ordinary user ("driver"),
# on a card image behind a loop device. Root only. Where the kernel has no vfat, FAT is
# mounted through fusefat for this service only.
#
#   real_udisks.sh up DIR          start bus, polkitd, udevd (unless one runs), udisksd;
#                                  state and logs in DIR
#   real_udisks.sh card DIR SRC    4 GiB FAT32 image with the card folder SRC copied on it, on a
#                                  loop device, mounted by "driver" through the service;
#                                  prints the loop device
#   real_udisks.sh deny DIR        polkit refuses from now on (the rule is removed)
#   real_udisks.sh down DIR        stop everything started, detach, remove what was installed
#
# Then:  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=DIR/bus.sock, and run programs as the user
# with: setpriv --reuid=driver --regid=driver --init-groups env HOME=/home/driver ... CMD
#
# Without udevd, udisksd exports only its Manager; loop devices count as system disks unless
# a udev rule sets UDISKS_SYSTEM=0; polkitd must start as root; Debian mounts removable
# media under /media/USER.
set -u
export PATH=$PATH:/usr/sbin:/sbin
cmd=${1:?up|card|deny|down}; H=$(readlink -f "${2:?state folder}")
BUS=unix:path=$H/bus.sock; export DBUS_SYSTEM_BUS_ADDRESS=$BUS
RULE=/etc/polkit-1/rules.d/49-card-tests.rules
UDEV=/etc/udev/rules.d/99-card-tests.rules
asdriver() { setpriv --reuid=driver --regid=driver --init-groups env HOME=/home/driver DBUS_SYSTEM_BUS_ADDRESS=$BUS "$@"; }
case "$cmd" in
up)
  mkdir -p "$H" && chmod 755 "$H"
  for d in /run/udev /dev/disk; do [ -e $d ] || echo $d; done >"$H/created-by-udevd"
  id driver >/dev/null 2>&1 || useradd -m driver; usermod -aG plugdev driver
  cat >"$H/bus.conf" <<EOC
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN" "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><auth>EXTERNAL</auth><listen>$BUS</listen>
 <policy context="default"><allow user="*"/><deny own="*"/><deny send_type="method_call"/>
  <allow send_type="signal"/><allow send_requested_reply="true" send_type="method_return"/>
  <allow send_requested_reply="true" send_type="error"/><allow receive_type="method_call"/>
  <allow receive_type="method_return"/><allow receive_type="error"/><allow receive_type="signal"/>
  <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
  <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
  <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/></policy>
 <includedir>/usr/share/dbus-1/system.d</includedir></busconfig>
EOC
  dbus-daemon --config-file="$H/bus.conf" --nofork >"$H/bus.log" 2>&1 & echo $! >"$H/bus.pid"; sleep 1
  cat >"$RULE" <<'EOC'
polkit.addRule(function(action, subject) {
    if (action.id.indexOf("org.freedesktop.udisks2.") != 0) return;
    var ok = ["filesystem-mount", "filesystem-mount-other-seat", "filesystem-unmount-others",
              "open-device", "modify-device", "modify-device-other-seat"];
    if (ok.indexOf(action.id.substr(24)) >= 0 && subject.isInGroup("plugdev")) return polkit.Result.YES;
});
EOC
  /usr/lib/polkit-1/polkitd >"$H/polkitd.log" 2>&1 & echo $! >"$H/polkitd.pid"
  echo "SUBSYSTEM==\"block\", KERNEL==\"loop*\", ATTR{loop/backing_file}==\"$H/card*\", ENV{UDISKS_SYSTEM}=\"0\", ENV{ID_SERIAL}=\"card-tests-\$kernel\", ENV{ID_DRIVE_FLASH_SD}=\"1\", ENV{ID_DRIVE_MEDIA_FLASH_SD}=\"1\"" >"$UDEV"
  # A udevd that runs already (a host with systemd) reads the rule itself.
  if udevadm control --ping >/dev/null 2>&1; then udevadm control --reload
  else /lib/systemd/systemd-udevd >"$H/udevd.log" 2>&1 & echo $! >"$H/udevd.pid"; fi
  if ! grep -qw vfat /proc/filesystems && [ ! -e /usr/sbin/mount.vfat ]; then
    cat >/usr/sbin/mount.vfat <<'EOC'
#!/bin/sh
# card tests: FAT through fusefat for the test's disk service only (the kernel has no vfat)
[ "$CARD_TESTS_FUSEFAT" = 1 ] || exec /usr/bin/mount -i -t vfat "$@"
dev=$1; dir=$2; shift 2; opts=; while [ $# -gt 0 ]; do [ "$1" = -o ] && opts=$2; shift; done
uid=$(echo ",$opts," | sed -n 's/.*,uid=\([0-9]*\),.*/\1/p'); gid=$(echo ",$opts," | sed -n 's/.*,gid=\([0-9]*\),.*/\1/p')
exec /usr/bin/fusefat -o rw+,blkdev,fsname=$dev,allow_other,nosuid,nodev,uid=${uid:-0},gid=${gid:-0},umask=022 "$dev" "$dir"
EOC
    chmod 755 /usr/sbin/mount.vfat; echo /usr/sbin/mount.vfat >>"$H/created-by-udevd"
  fi
  CARD_TESTS_FUSEFAT=1 /usr/libexec/udisks2/udisksd --no-debug >"$H/udisksd.log" 2>&1 & echo $! >"$H/udisksd.pid"
  for _ in $(seq 30); do busctl --system list --no-pager 2>/dev/null | grep -q org.freedesktop.UDisks2 && break; sleep 0.5; done
  busctl --system list --no-pager | grep -q org.freedesktop.UDisks2 ;;
card)
  src=${3:?card folder}
  truncate -s 4G "$H/card.img" && mkfs.fat -F 32 -n CARD "$H/card.img" >/dev/null
  (cd "$src" && MTOOLS_SKIP_CHECK=1 mcopy -s -i "$H/card.img" ./* ::/)
  L=$(losetup -f --show "$H/card.img"); echo "$L" >"$H/loop"
  udevadm trigger --action=add "/sys/class/block/${L#/dev/}"; udevadm settle -t 20; sleep 1
  asdriver udisksctl mount --no-user-interaction -b "$L" >&2
  echo "$L" ;;
deny) rm -f "$RULE"; sleep 1 ;;
down)
  L=$(cat "$H/loop" 2>/dev/null)
  [ -n "$L" ] && udisksctl unmount --no-user-interaction -b "$L" >/dev/null 2>&1
  for p in udisksd polkitd udevd bus; do [ -f "$H/$p.pid" ] && kill "$(cat "$H/$p.pid")" 2>/dev/null; done; sleep 2
  [ -n "$L" ] && losetup -d "$L" 2>/dev/null && chown root:root "$L" && chmod 600 "$L"
  rm -f "$RULE" "$UDEV" "$H/card.img" "$H/loop"; rm -rf /run/udisks2 $(cat "$H/created-by-udevd" 2>/dev/null)
  rmdir /media/driver 2>/dev/null; gpasswd -d driver plugdev >/dev/null 2>&1; true ;;
esac
