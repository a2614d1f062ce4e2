#!/usr/bin/env bash
# script/bootstrap chooses its package names by the release named in
# os-release, and stops on a release it does not know before asking for any
# package. Runs script/bootstrap --packages only, which installs and builds
# nothing.
#
#   tests/install/bootstrap_release_test.sh SOURCE_DIR
set -euo pipefail
SRC=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "bootstrap release test: $*" >&2; exit 1; }

packages_for() {  # ID CODENAME
  printf 'ID=%s\nVERSION_CODENAME=%s\n' "$1" "$2" >"$WORK/os-release"
  ORVIA_OS_RELEASE="$WORK/os-release" "$SRC/script/bootstrap" --packages
}

bookworm=$(packages_for debian bookworm)
grep -qx libclang-rt-14-dev <<<"$bookworm" || fail "bookworm lacks libclang-rt-14-dev"
grep -qx libclang-rt-dev <<<"$bookworm" && fail "bookworm asks for libclang-rt-dev"

trixie=$(packages_for debian trixie)
grep -qx libclang-rt-dev <<<"$trixie" || fail "trixie lacks libclang-rt-dev"
grep -q 'libclang-rt-[0-9]' <<<"$trixie" && fail "trixie asks for a versioned clang runtime"

# Qt's OpenGL development files are asked for by name only where they are a
# package of their own.
grep -qx libqt6opengl6-dev <<<"$bookworm" || fail "bookworm lacks libqt6opengl6-dev"
grep -qx libqt6opengl6-dev <<<"$trixie" && fail "trixie asks for libqt6opengl6-dev"

# Apart from those the lists are the same.
same() { grep -Ev '^(libclang-rt|libqt6opengl6-dev$)' | sort; }
[ "$(same <<<"$bookworm")" = "$(same <<<"$trixie")" ] || fail "the lists differ beyond the release's own names"

# An unknown release is named, and nothing else is printed on stdout.
if out=$(packages_for ubuntu noble 2>"$WORK/err"); then fail "ubuntu noble was accepted"; fi
[ -z "$out" ] || fail "packages listed for an unknown release: $out"
grep -q "ID=ubuntu VERSION_CODENAME=noble" "$WORK/err" || fail "the message does not name the release: $(cat "$WORK/err")"
if packages_for debian sid >/dev/null 2>"$WORK/err"; then fail "debian sid was accepted"; fi
grep -q "VERSION_CODENAME=sid" "$WORK/err" || fail "the message does not name sid: $(cat "$WORK/err")"
echo "bootstrap release test: passed"
