#!/usr/bin/env bash
# Checks the building's floors: the window shell (app/) sits on top and no
# other folder includes it; the ground floor (base/) includes only itself;
# and the plain-logic libraries (ground floor and core) link neither Qt nor
# FFmpeg.
#
#   layers_test.sh SOURCE_DIR BASE_LIB CORE_LIB
set -euo pipefail
src=$1
shift
failed=0

cd "$src"
product_dirs=(base controls playback player library output settings disk tools fuzz)
hits=$(grep -rnE '^#include "app/' "${product_dirs[@]}" --include='*.cpp' --include='*.h' || true)
if [ -n "$hits" ]; then
  echo "sources outside app/ include the window shell:"
  echo "$hits"
  failed=1
fi
hits=$(grep -rnE '^#include "[a-z_]+/' base --include='*.cpp' --include='*.h' | grep -v '#include "base/' || true)
if [ -n "$hits" ]; then
  echo "the ground floor includes from above:"
  echo "$hits"
  failed=1
fi
hits=$(grep -rnE '^#include <Q[A-Za-z]+>|^#include <lib(avcodec|avformat|avutil|swscale|swresample)/' base --include='*.cpp' --include='*.h' || true)
if [ -n "$hits" ]; then
  echo "the ground floor includes Qt or FFmpeg:"
  echo "$hits"
  failed=1
fi

for lib in "$@"; do
  [ -f "$lib" ] || { echo "missing library $lib"; failed=1; continue; }
  # Undefined symbols of Qt classes (QString, QObject, ...) or FFmpeg's C API.
  bad=$(nm -C -u "$lib" | sed -n 's/^ *U //p' | grep -E '\bQ[A-Z][A-Za-z]+::|\bq(Debug|Warning|_check_ptr)\b|\b(av|avcodec|avformat|sws|swr)_[a-z_]+\b' | sort -u || true)
  if [ -n "$bad" ]; then
    echo "$(basename "$lib") needs Qt or FFmpeg:"
    echo "$bad" | head -20
    failed=1
  fi
done

if [ "$failed" = 0 ]; then echo "layers: app/ on top, base/ at the bottom, no Qt or FFmpeg in the logic"; fi
exit "$failed"
