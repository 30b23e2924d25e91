#!/usr/bin/env bash
# Runs one Windows program under Wine, in a fresh Wine prefix of its own, and exits with
# the program's exit code. Used by ctest on the windows-x64 build (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   scripts/wine-run.sh STATE_DIR PROGRAM.exe [ARGUMENTS...]
#
# STATE_DIR (inside the build tree) holds a booted template prefix, made once and then
# copied for every run, and the HOME, XDG and TMPDIR folders Wine uses. The program's
# output goes to files first (standard output and standard error apart) and is printed
# to the same streams when Wine has stopped: Wine's background services inherit whatever
# the program writes to, and would hold a pipe open.
#
# Environment:
#   WINE_RUN_KEEP=1        keeps the run's prefix for a look afterwards.
#   WINE_RUN_PREFIX=DIR    runs in the prefix DIR instead of a fresh one: made from the
#                          template when DIR does not exist, and kept, so that several
#                          runs (an install script, then reg query) share one registry and
#                          drive C:. The caller removes DIR.
#   WINE_RUN_STAY=1        with WINE_RUN_PREFIX: Wine keeps running when the program has
#                          ended, so that the next command in the prefix starts at once
#                          (a tenth of the time); the last command runs without it, which
#                          stops Wine.
#   WINE_RUN_DISPLAY=:N    lets the program use that X display (a prefix that selects
#                          the x11 graphics driver shows windows there).
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 STATE_DIR PROGRAM [ARGUMENTS...]" >&2
  exit 2
fi
state=$(mkdir -p "$1" && cd "$1" && pwd)
shift

wine=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
if [ ! -x "$wine" ] || [ ! -x "$wineserver" ]; then
  echo "wine-run: $wine or $wineserver is missing (scripts/install-deps.sh installs wine64)" >&2
  exit 2
fi

# Everything Wine touches stays inside the state folder; no display is needed.
export HOME="$state/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$state/runtime"
export TMPDIR="$state/tmp"
export WINEDEBUG=-all
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
if [ -n "${WINE_RUN_DISPLAY:-}" ]; then
  export DISPLAY=$WINE_RUN_DISPLAY
fi
mkdir -p "$HOME" "$TMPDIR"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# The template prefix: booted once, with the null graphics driver, no debugger started
# on a crash (the program ends at once instead), and Wine stopped. The stamp names what
# the template holds; a template without it is made again. One booted while 32-bit Wine
# was missing cannot run 32-bit programs: it is made again once the 32-bit loader is there.
template="$state/template"
wow64=""
if [ -x "$(dirname "$wine")/wine" ]; then wow64="-wow64"; fi
stamp="$template/.pellacorm-template-1$wow64"
(
  flock 9
  if [ ! -f "$stamp" ]; then
    rm -rf "$template"
    export WINEPREFIX="$template"
    # No prompts for the .NET and HTML runtimes while booting.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    "$wine" wineboot -i >"$state/boot.log" 2>&1 || { cat "$state/boot.log" >&2; exit 1; }
    setting() {
      "$wine" reg add "$@" /f >>"$state/boot.log" 2>&1 || { cat "$state/boot.log" >&2; exit 1; }
    }
    setting 'HKCU\Software\Wine\Drivers' /v Graphics /d null
    setting 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d no-debugger
    setting 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1
    if [ -n "$wow64" ]; then
      # 32-bit programs read their own view of HKLM\Software.
      setting 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d no-debugger /reg:32
      setting 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /reg:32
    fi
    "$wineserver" -k || true
    "$wineserver" -w
    touch "$stamp"
  fi
) 9>"$state/template.lock"

# A prefix made from the template. Program files and tables are shared with the
# template through hard links (Wine only reads them); every other file, the registry
# among them, is a copy of its own.
copy_template() {
  cp -al "$template" "$1"
  find "$1" -type f ! -name '*.dll' ! -name '*.exe' ! -name '*.nls' ! -name '*.sys' ! -name '*.drv' \
    -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
}

# The run's folder holds the program's output until Wine has stopped, and its fresh
# prefix unless WINE_RUN_PREFIX names one to keep.
run=$(mktemp -d "$state/run.XXXXXX")
if [ -n "${WINE_RUN_PREFIX:-}" ]; then
  prefix=$(realpath -m "$WINE_RUN_PREFIX")
  if [ ! -d "$prefix" ]; then
    mkdir -p "$(dirname "$prefix")"
    rm -rf "$prefix.partial"
    copy_template "$prefix.partial"
    mv "$prefix.partial" "$prefix"
  fi
else
  prefix="$run/prefix"
  copy_template "$prefix"
fi

export WINEPREFIX="$prefix"
# Our own mapi32.dll beside the program, never Wine's builtin one.
export WINEDLLOVERRIDES="mscoree,mshtml=;mapi32=n"

status=0
"$wine" "$@" >"$run/output.txt" 2>"$run/errors.txt" || status=$?
if [ -n "${WINE_RUN_PREFIX:-}" ] && [ "${WINE_RUN_STAY:-0}" = "1" ]; then
  # Wine stays up for the next command in this prefix. What its services write goes to
  # this run's files, never to the caller's.
  :
else
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w || true
fi
cat "$run/output.txt"
cat "$run/errors.txt" >&2

if [ "${WINE_RUN_KEEP:-0}" = "1" ] && [ -z "${WINE_RUN_PREFIX:-}" ]; then
  echo "wine-run: prefix kept in $prefix" >&2
else
  rm -rf "$run"
fi
exit "$status"
