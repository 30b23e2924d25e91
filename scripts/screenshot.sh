#!/usr/bin/env bash
# Takes a picture of the real action dialog, as the x64 DLL shows it under Wine on a
# virtual X display (Xvfb), and saves it as docs/action-dialog.png (or OUTPUT).
#
#   scripts/screenshot.sh [OUTPUT.png]
#
# show_dialog.exe (tests/windows/show_dialog) opens the dialog over a stored action and
# writes a ready file with the dialog's place on the screen once it is painted; the
# picture is taken of that rectangle, and a go file then lets the program close the
# dialog. Installs Xvfb, ImageMagick and Wine's own fonts (the dialog's font and the
# caption's buttons) when they are missing. Not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
output=$(realpath -m "${1:-docs/action-dialog.png}")

scripts/install-deps.sh
missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v import >/dev/null || missing+=(imagemagick)
dpkg-query -W -f='${Status}' fonts-wine 2>/dev/null | grep -q "install ok installed" || missing+=(fonts-wine)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target show_dialog >/dev/null
tests="$root/build/windows-x64/tests/windows"

# A prefix of its own, made afresh from the tests' template (booted once per build tree).
work="$root/build/windows-x64/screenshot"
rm -rf "$work"
mkdir -p "$work"
state="$tests/wine"
export WINE_RUN_PREFIX="$work/prefix"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

xvfb_pid=""
show_pid=""
cleanup() {
  if [ -n "$show_pid" ]; then kill "$show_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
until [ -s "$work/display" ]; do
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "screenshot: Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1
  fi
  sleep 0.1
done
display=":$(head -n 1 "$work/display")"

# The tests' template selects the null graphics driver; this prefix draws on X. With no
# window manager on the display, Wine draws the dialog's frame and caption itself.
scripts/wine-run.sh "$state" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >"$work/setup.log" 2>&1
scripts/wine-run.sh "$state" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$work/setup.log" 2>&1
# This Wine finds its own fonts (Tahoma for the dialog, Marlett for the caption's
# buttons) in the prefix's Fonts folder only.
cp /usr/share/wine/fonts/*.ttf "$WINE_RUN_PREFIX/drive_c/windows/Fonts/"

ready="$work/ready.txt"
go="$work/go.txt"
WINE_RUN_DISPLAY=$display scripts/wine-run.sh "$state" "$tests/show_dialog.exe" "$(winpath "$ready")" \
  "$(winpath "$go")" >"$work/show_dialog.log" 2>&1 &
show_pid=$!
until [ -s "$ready" ]; do
  if ! kill -0 "$show_pid" 2>/dev/null; then
    echo "screenshot: show_dialog.exe ended before the dialog was ready:" >&2
    cat "$work/show_dialog.log" >&2
    exit 1
  fi
  sleep 0.1
done
read -r x y width height <"$ready"

# The same picture twice in a row: the dialog has reached the display in full.
mkdir -p "$(dirname "$output")"
shot() { import -display "$display" -window root -crop "${width}x${height}+${x}+${y}" +repage -strip "$1"; }
shot "$work/shot-1.png"
for attempt in $(seq 2 50); do
  shot "$work/shot-$attempt.png"
  if cmp -s "$work/shot-$((attempt - 1)).png" "$work/shot-$attempt.png"; then
    cp "$work/shot-$attempt.png" "$output"
    break
  fi
done

touch "$go"
status=0
wait "$show_pid" || status=$?
show_pid=""
if [ ! -f "$output" ] || [ "$status" -ne 0 ]; then
  echo "screenshot: failed (show_dialog.exe exit $status):" >&2
  cat "$work/show_dialog.log" >&2
  exit 1
fi
echo "$output: the dialog at ${x},${y}, ${width}x${height} pixels"
