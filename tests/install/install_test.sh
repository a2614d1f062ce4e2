#!/usr/bin/env bash
# Installs the Debian package into a fresh tree (dpkg-deb -x, which needs no
# root and works in any CI container) and runs the installed programs from
# there: --version without a display, then the viewer under Xvfb on a card
# written by the installed orvia-cli, to a screenshot.
#
#   tests/install/install_test.sh PACKAGE.deb OUTPUT_FOLDER
#
# The screenshot is OUTPUT_FOLDER/installed-viewer.png.
set -euo pipefail
DEB=$1
OUT=$2
mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

ROOT="$WORK/root"
dpkg-deb -x "$DEB" "$ROOT"
for f in usr/bin/orvia usr/bin/orvia-cli usr/bin/orvia-cli-tools usr/lib/orvia/kelvo_blackbox.so \
         usr/share/applications/org.orvia.Orvia.desktop usr/share/metainfo/org.orvia.Orvia.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/org.orvia.Orvia.png usr/share/icons/hicolor/256x256/apps/org.orvia.Orvia.png; do
  [ -e "$ROOT/$f" ] || fail "$f is not in the package"
done

# The menu entry opens recordings; it must not make the viewer the desktop's
# folder opener.
grep -q '^MimeType=.*inode/directory' "$ROOT/usr/share/applications/org.orvia.Orvia.desktop" &&
  fail "the menu entry claims folders (inode/directory)"

# The file name carries the release the package was built for, which is
# this machine's.
RELEASE=$(. /etc/os-release && echo "$ID$VERSION_ID")
case "$(basename "$DEB")" in
  orvia_"$(dpkg-deb -f "$DEB" Version)"_"$RELEASE"_amd64.deb) ;;
  *) fail "$(basename "$DEB") does not name this release ($RELEASE)" ;;
esac

# The dependencies were found from the binaries, and this machine meets them
# (the FFmpeg library's package carries its soname's number, which differs
# between releases).
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for lib in 'libqt6webenginewidgets6\b' 'libqt6multimedia6\b' 'libavcodec[0-9]+\b' 'libc6\b' 'libjs-leaflet\b'; do
  grep -Eq "$lib" <<<"$DEPENDS" || fail "Depends lacks $lib: $DEPENDS"
done
dpkg-checkbuilddeps -d "$DEPENDS" /dev/null 2>"$WORK/deps" || { cat "$WORK/deps" >&2; fail "unmet dependencies"; }

# --version from the installed tree, with no display at all.
VERSION=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$ROOT/usr/bin/orvia" --version)
[ "$VERSION" = "orvia $(dpkg-deb -f "$DEB" Version)" ] || fail "--version printed '$VERSION'"

# A user's home of its own: the data files must go to its data folder, not
# next to the installed program.
export HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share" XDG_CONFIG_HOME="$WORK/home/.config"
mkdir -p "$HOME"
"$ROOT/usr/bin/orvia-cli" make-card "$WORK/card" --layout small >/dev/null
SHOT="$OUT/installed-viewer.png"
rm -f "$SHOT"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$ROOT/usr/bin/orvia" "$WORK/card" --screenshot "$SHOT" --screenshot-after 6000 \
  --trace-startup "$WORK/startup.txt"
[ -s "$SHOT" ] || fail "no screenshot"
# Every step of the start is traced, up to the card's trips and events read.
STEPS=$(cut -d' ' -f2- "$WORK/startup.txt" | paste -s -d,)
for step in "process start" main "window shown" "front picture" "rear picture" "analysis done"; do
  case ",$STEPS," in *",$step,"*) ;; *) fail "--trace-startup has no '$step': $STEPS" ;; esac
done
[ -f "$XDG_DATA_HOME/orvia/map.html" ] || fail "map.html is not in the user's data folder"
[ -f "$XDG_DATA_HOME/orvia/Orvia_string.ini" ] || fail "the string file is not in the user's data folder"
[ ! -e "$ROOT/usr/bin/map.html" ] && [ ! -e "$ROOT/usr/lib/orvia/map.html" ] || fail "data written beside the program"
echo "install test: passed; screenshot $SHOT"
