#!/usr/bin/env bash
# Runs the Windows reader's tests under wine64 on a virtual X display:
#
#   run-wine-tests.sh --book FOLDER --headless TOMELET_HEADLESS \
#       --reader tomelet.exe --tests tomelet_win32_tests.exe \
#       --driver tomelet-windriver.exe [--second OTHER.exe] --work FOLDER
#
# OTHER.exe is a reader of another book (books/lighthouse), tried beside
# the first in one folder.
#
# It installs nothing: wine64 and Xvfb (and ImageMagick's import for the
# screenshot) must be there (scripts/deps installs them).  The wine prefix
# is made once, without prompts, beside the work folder in the build tree;
# it uses a virtual desktop of 1024 x 768, so that wine draws the windows'
# frames itself, as Windows does.  The work folder is emptied first and
# holds the expectations, each test's folder and state file, and
# page.png, a screenshot of the reader showing a story page.
set -euo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --book) book="$2" ;;
    --headless) headless="$2" ;;
    --reader) reader="$2" ;;
    --tests) tests="$2" ;;
    --driver) driver="$2" ;;
    --work) work="$2" ;;
    --second) second="$2" ;;
    *) echo "run-wine-tests.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
here="$(cd "$(dirname "$0")" && pwd)"
for tool in wine Xvfb; do
  command -v "$tool" > /dev/null || { echo "run-wine-tests.sh: $tool is missing (scripts/deps installs it)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"

export WINEPREFIX="$(dirname "$work")/wine-prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
export WINEARCH=win64

# A free display number, and the virtual X server on it.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  kill "$xvfb" 2> /dev/null || true
  wait "$xvfb" 2> /dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
export DISPLAY=":$display"

if [ ! -f "$WINEPREFIX/.tomelet-ready" ]; then
  echo "Making the wine prefix $WINEPREFIX (once)"
  wineboot -i > "$work/wineboot.log" 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f > /dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f > /dev/null 2>&1
  wineserver -w
  # The caption buttons are drawn with wine's own Marlett font, which this
  # wine finds only among the prefix's fonts.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  touch "$WINEPREFIX/.tomelet-ready"
fi

"$here/expect.sh" "$book" "$headless" "$work/expect.txt"
echo "Expected of the book:"
sed 's/^/  /' "$work/expect.txt"

# The book's id names the reader's window class and state file: the one
# book.toml gives, else the letters and digits of its title (at most 32).
book_id() {
  local id
  id="$(sed -n 's/^id *= *"\([A-Za-z0-9]*\)".*/\1/p' "$1/book.toml" | head -1)"
  [ -n "$id" ] || id="$(sed -n 's/^title *= *"\(.*\)".*/\1/p' "$1/book.toml" | head -1 | LC_ALL=C tr -cd 'A-Za-z0-9' | cut -c1-32)"
  echo "$id"
}
export TOMELET_BOOK_ID="$(book_id "$book")"
if [ -n "${second:-}" ]; then
  export TOMELET_SECOND_READER="$second"
  export TOMELET_SECOND_ID="$(book_id "$here/../../books/lighthouse")"
fi

status=0
TOMELET_READER="$reader" TOMELET_EXPECT="$work/expect.txt" TOMELET_WORK="$work" \
  wine "$tests" --gtest_color=no || status=$?

# A screenshot of a story page: the one the first hotword of paragraph 2
# leads to (or paragraph 2 itself, when it has none), reached through the
# opening sequence and "Next".
mkdir -p "$work/shot"
(cd "$work/shot" && wine "$reader" > /dev/null 2>&1) &
reader_pid=$!
hotword="$(sed -n 's/^hotword \([0-9]*\) .*/\1/p' "$work/expect.txt")"
wine "$driver" wait 30000 until-text INSTRUCTIONS 30000 command 511 ${hotword:+reveal $hotword click $hotword} caption
sleep 1
if command -v import > /dev/null; then
  import -window root "$work/page.png"
  echo "Screenshot: $work/page.png"
fi
wine "$driver" close
wait "$reader_pid"
exit "$status"
