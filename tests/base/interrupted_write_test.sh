#!/usr/bin/env bash
# Kills `orvia-cli profile set` at every system call it makes, in turn, and
# checks after each kill that the settings file holds either its old content
# or the new one, never a mix: on an ordinary folder, with stale temporary
# files of killed runs beside it, and on a full file system (where the new
# content is written in place, padded to the old length).
#
#   interrupted_write_test.sh ORVIA_CLI
set -uo pipefail
cli=$1
command -v strace >/dev/null || { echo "strace is missing (script/bootstrap installs it)"; exit 1; }

work=$(mktemp -d)
trap 'umount "$work/full" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
full_skipped=0
OLD=$'[CONFIG_DATA]\r\nVOLUME=10\r\nTIMEZONE=9\r\nDRIVING_IMPACT=1\r\n'

# Runs the whole write once, killed at call number $2 (0: not killed), on
# the file $1.
set_volume() {
  if [ "$2" = 0 ]; then
    "$cli" profile set "$1" CONFIG_DATA VOLUME 7 2>/dev/null
  else
    # strace ends itself the way its tracee ended; the subshell keeps the
    # shell's "Killed" notice out of the log.
    (strace -f -qq -o /dev/null -e inject=all:signal=KILL:when="$2" \
      "$cli" profile set "$1" CONFIG_DATA VOLUME 7 >/dev/null 2>&1) 2>/dev/null
  fi
}

# One scenario: $1 the file, $2 a command that puts the folder in its state.
sweep() {
  local file=$1 prepare=$2 name=$3
  printf '%s' "$OLD" >"$file"
  eval "$prepare"
  set_volume "$file" 0 || { echo "$name: the uninterrupted write failed"; failures=$((failures + 1)); return; }
  local new
  new=$(cat "$file"; printf x)
  [ "$("$cli" profile get "$file" CONFIG_DATA VOLUME)" = 7 ] || {
    echo "$name: the uninterrupted write did not set the value"; failures=$((failures + 1)); return; }
  local calls
  calls=$(printf '%s' "$OLD" >"$file"; eval "$prepare";
          strace -f -qq -o "$work/count" "$cli" profile set "$file" CONFIG_DATA VOLUME 7 >/dev/null 2>&1;
          grep -vc 'exited with\|+++\|---' "$work/count")
  local n bad=0
  for ((n = 1; n <= calls + 1; n++)); do
    printf '%s' "$OLD" >"$file"
    eval "$prepare"
    set_volume "$file" "$n" 2>/dev/null
    local now
    now=$(cat "$file"; printf x)
    if [ "$now" != "${OLD}x" ] && [ "$now" != "$new" ]; then
      echo "$name: killed at call $n of $calls, the file holds neither the old nor the new content:"
      printf '%s' "$now" | od -c | head -5
      bad=$((bad + 1))
    fi
  done
  echo "$name: killed at each of $calls calls, $bad mixed"
  failures=$((failures + bad))
}

mkdir -p "$work/plain"
sweep "$work/plain/setup.dat" ":" "ordinary folder"

# Temporary files that killed runs left behind: a dead writer's, and one
# named with this very test's process number.
mkdir -p "$work/stale"
stale_prepare='sleep 0 & dead=$!; wait $dead; printf junk >"$work/stale/setup.dat.orvia-tmp-$dead-0badc0de"'
sweep "$work/stale/setup.dat" "$stale_prepare" "stale temporary files"
"$cli" profile set "$work/stale/setup.dat" CONFIG_DATA VOLUME 8 ||
  { echo "stale temporary files: the whole write failed"; failures=$((failures + 1)); }
left=$(find "$work/stale" -name 'setup.dat.orvia-tmp-*' | wc -l)
if [ "$left" != 0 ]; then
  echo "stale temporary files: $left left after a whole write"
  failures=$((failures + 1))
fi

# A full file system: a small tmpfs with no free inode takes no new file.
# It needs a mount namespace of our own; without one the case cannot run.
if unshare -rm true 2>/dev/null; then
  mkdir -p "$work/full"
  export -f set_volume sweep
  full_out=$(unshare -rm bash -c '
    set -uo pipefail
    cli=$1 work=$2 OLD=$3 failures=0
    mount -t tmpfs -o size=64k,nr_inodes=2 none "$work/full" || exit 3
    sweep "$work/full/setup.dat" ":" "full file system"
    # An uninterrupted write on the full file system ends with the new
    # content. The count of calls above may differ from run to run, so the
    # last run of the sweep is not relied on for it.
    printf "%s" "$OLD" >"$work/full/setup.dat"
    set_volume "$work/full/setup.dat" 0
    grep -q "VOLUME=7" "$work/full/setup.dat" ||
      { echo "full file system: a whole write did not leave the new content"; failures=$((failures + 1)); }
    exit $failures' _ "$cli" "$work" "$OLD")
  rc=$?
  echo "$full_out"
  if [ "$rc" = 3 ]; then
    echo "SKIPPED full file system: no tmpfs mount in a private namespace here"
    full_skipped=1
  elif [ "$rc" != 0 ]; then
    echo "full file system: the case ended with $rc"
    failures=$((failures + rc))
  fi
else
  echo "SKIPPED full file system: no private mount namespace here (unshare -rm refused)"
  full_skipped=1
fi

[ "$failures" = 0 ] && echo "interrupted writes: always the old or the new content"
[ "$failures" = 0 ] && [ "$full_skipped" = 1 ] && exit 77  # ctest counts it as skipped
exit $((failures > 0))
