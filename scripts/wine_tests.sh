#!/usr/bin/env bash
# The Windows build under wine: the unit suite through ctest, then the Windows archive made from
# the build as a release makes it (scripts/windows_archive.sh), then end-to-end runs of the
# upgrade405.exe unpacked from that archive on a virtual display, driven with xdotool and read
# back through the clipboard, the journal file and the exit code. The run on a database the
# project's writer made needs the Linux build's make_sample_mdb (scripts/test.sh builds it first).
#
#   scripts/wine_tests.sh [BUILD_DIR]     (default: build/windows-i686)
#
# The build is the 32-bit product (windows-i686, run by wine's 32-bit loader) or the 64-bit test
# build (windows-x86_64, run by wine64 alone, as on a machine that cannot execute 32-bit
# programs); the build's own CMake cache says which. Installs nothing (scripts/install_deps.sh
# does). Uses a private wine prefix, by default /tmp/wine-upgrade405 for 32-bit and
# /tmp/wine-upgrade405-64 for 64-bit (UPGRADE405_WINEPREFIX overrides it), and a display of its
# own from :51 on. Exits non-zero when any test fails.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows-i686}" && pwd) || exit 2
exe=$build/upgrade405.exe
[ -f "$exe" ] || { echo "$0: $exe is not built" >&2; exit 2; }

# Everything below runs on a display of its own.
if [ -z "${UPGRADE405_WINE_ON_DISPLAY:-}" ]; then
  UPGRADE405_WINE_ON_DISPLAY=1 exec bash "$root/scripts/with_display.sh" -n 51 \
    bash "$0" "$build"
fi

arch=$(sed -n 's/^set(CMAKE_SYSTEM_PROCESSOR "\(.*\)")$/\1/p' \
  "$build"/CMakeFiles/*/CMakeSystem.cmake 2>/dev/null | head -n 1)
export WINEDEBUG=-all
if [ "$arch" = x86_64 ]; then
  export WINEPREFIX=${UPGRADE405_WINEPREFIX:-/tmp/wine-upgrade405-64}
  export WINEARCH=win64
  odbc_driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
  # wine64 alone, even where wine32 is installed too: the commands below, ctest's emulator
  # ("wine") and wine's own tools find these first on the PATH.
  shims=$(mktemp -d)
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
    >"$shims/wine"
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$shims/wineserver"
  cp "$shims/wine" "$shims/wine-stable"  # what wineboot and wine's other tools start
  chmod +x "$shims/wine" "$shims/wine-stable" "$shims/wineserver"
  export PATH=$shims:$PATH
  export WINESERVER=/usr/lib/wine/wineserver64
  echo "wine_tests.sh: the 64-bit test build under wine64 ($(wine --version 2>/dev/null))"
else
  export WINEPREFIX=${UPGRADE405_WINEPREFIX:-/tmp/wine-upgrade405}
  # A 32-bit prefix, even where wine64 is installed too: the 32-bit ADO classes are then the
  # ones the prefix registers and restores.
  export WINEARCH=win32
  odbc_driver=/usr/lib/i386-linux-gnu/odbc/libsqlite3odbc.so
  echo "wine_tests.sh: the 32-bit product under wine ($(wine --version 2>/dev/null))"
fi
# No prompts for the .NET and HTML engines a new prefix would offer to install.
export WINEDLLOVERRIDES="mscoree,mshtml="

# What the runs leave (the program's folders with their journals, logs, screenshots) stays in the
# build tree for a look after a failure.
work=$build/wine-e2e
rm -rf "$work"
mkdir -p "$work"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL: $*"
  import -window root "$work/failure-$failed.png" >/dev/null 2>&1
}
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

readonly connection_class='HKLM\Software\Classes\CLSID\{00000514-0000-0010-8000-00AA006D2EA4}'
readonly jet_progid='HKLM\Software\Classes\Microsoft.Jet.OLEDB.4.0'
readonly odbc_provider='{c8b522cb-5cf3-11ce-ade5-00aa0044773d}'
readonly ado_dll='C:\Program Files\Common Files\System\ADO\msado15.dll'

# Puts back what the end-to-end runs change in the prefix: ADO's registration and the Jet
# provider name, which wine does not have.
restore_prefix() {
  wine regsvr32 /s "$ado_dll" >"$work/regsvr32.log" 2>&1
  wine reg delete "$jet_progid" /f >/dev/null 2>&1
}

cleanup() {
  restore_prefix
  wineserver -k >/dev/null 2>&1
}
trap cleanup EXIT

# --- the prefix ---

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the wine prefix $WINEPREFIX"
  wineboot -i >"$work/wineboot.log" 2>&1
fi
# One server for the whole run, so that each test starts in a fraction of a second, and wine's
# own services started now, with their output in files: a service started by the first test
# would inherit ctest's pipe and hold that test open.
wineserver -p >/dev/null 2>&1
# A crash must end the process, not wait on a dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >/dev/null 2>&1
restore_prefix
tests=$build/tests/upgrade405_tests.exe
if [ -f "$tests" ]; then
  # The desktop process comes with the first window.
  wine "$tests" --gtest_filter='Ways/NoticeDismissal.*/0' >"$work/warm-up.log" 2>&1
fi

# --- an ODBC data source on an SQLite file, for the ADO tests that can run for real ---

make_data_source() {  # make_data_source NAME FILE
  sqlite3 "$2" "CREATE TABLE nuv (id INTEGER PRIMARY KEY, Filename TEXT(50));
                INSERT INTO nuv (Filename) VALUES ('intro.mp3');" || return 1
  printf '[%s]\nDriver=%s\nDatabase=%s\n' "$1" "$odbc_driver" "$2" >>"$work/odbc.ini"
}
: >"$work/odbc.ini"
if [ -f "$odbc_driver" ] && command -v sqlite3 >/dev/null; then
  make_data_source upgrade405test "$work/unit.db"
  make_data_source upgrade405e2e "$work/e2e.db"
  export ODBCINI=$work/odbc.ini
  export UPGRADE405_ODBC_DSN=upgrade405test
else
  echo "no SQLite ODBC driver: the ADO tests that need one are skipped"
fi

# --- the unit suite ---

echo "=== ctest under wine"
if ctest --test-dir "$build" --output-on-failure --timeout 120; then
  pass "ctest under wine"
else
  fail "ctest under wine"
fi

# --- the Windows archive, as scripts/release.sh makes it, from this build ---

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
today=$(date +%Y-%m-%d)

echo "=== the Windows archive"
archive=$(bash "$root/scripts/windows_archive.sh" "$build" "$work/archive") ||
  { fail "the archive is made"; echo "$passed passed, $failed failed"; exit 1; }
check "$(basename "$archive") holds LISEZMOI.txt and upgrade405.exe, nothing else" \
  test "$(zipinfo -1 "$archive" | tr '\n' ' ')" = "LISEZMOI.txt upgrade405.exe "
# What Notepad shows right, old and new: UTF-8 with its byte-order mark, CR LF line ends.
lisezmoi_reads_on_windows() {
  local bom
  bom=$(unzip -p "$archive" LISEZMOI.txt | od -An -tx1 -N3 | tr -d ' ')
  [ "$bom" = efbbbf ] || return 1
  unzip -p "$archive" LISEZMOI.txt | LC_ALL=C awk '!/\r$/ { bad = 1 } END { exit bad }' || return 1
  unzip -p "$archive" LISEZMOI.txt | grep -q "^Version : ${version//./\\.}"$'\r$' &&
    ! unzip -p "$archive" LISEZMOI.txt | grep -q @VERSION@
}
check "LISEZMOI.txt: UTF-8 with a byte-order mark, CR LF lines, version $version" \
  lisezmoi_reads_on_windows

# The notes' Linux checksum command, as they give it, in a folder that holds only the archive
# and SHA256SUMS as a release writes it (with the Debian package's line too).
checksum_works_with_the_archive_alone() {
  local dir command status
  command=$(unzip -p "$archive" LISEZMOI.txt | tr -d '\r' | grep -m 1 '^    sha256sum ')
  [ -n "$command" ] || return 1
  dir=$(mktemp -d)
  cp "$archive" "$dir/"
  (cd "$dir" && sha256sum -- *.zip &&
    echo "$(printf '%064d' 0)  upgrade405_${version}_amd64.deb") >"$dir/SHA256SUMS"
  (cd "$dir" && eval "$command") >/dev/null 2>&1
  status=$?
  rm -rf "$dir"
  return "$status"
}
check "LISEZMOI.txt: its sha256sum command checks the archive alone" \
  checksum_works_with_the_archive_alone

# --- end-to-end runs, each in a fresh folder where the archive was unpacked ---

# A fresh folder with the archive unpacked in it, and the Log folder beside the program.
install_program() {  # install_program NAME -> folder
  local dir=$work/$1
  mkdir -p "$dir"
  unzip -q "$archive" -d "$dir" && mkdir -p "$dir/Log"
  echo "$dir"
}

windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Starts the program in `dir` with `args` (as `program`, when set, names it); its exit code lands
# in dir/exit-code.
start_program() {  # start_program DIR ARGS...
  local dir=$1
  shift
  rm -f "$dir/exit-code"
  (cd "$dir" && wine "${program:-upgrade405.exe}" "$@" >"$dir/stdout.log" 2>"$dir/stderr.log"
   echo $? >"$dir/exit-code") &
}

# The exit code once the program has ended (empty after 20 s).
wait_exit() {  # wait_exit DIR
  local i
  for i in $(seq 200); do
    [ -s "$1/exit-code" ] && { cat "$1/exit-code"; return 0; }
    sleep 0.1
  done
  echo ""
}

# The first visible window whose title matches REGEX and which is larger than a dot (the hidden
# application window is mapped at 1x1), waiting up to 20 s.
find_window() {  # find_window REGEX
  local i id
  for i in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
      if xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: [0-9][0-9]'; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

gone() {  # gone WINDOW-ID: true once the window is no longer mapped (waits up to 5 s)
  local i
  for i in $(seq 50); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

press() {  # press WINDOW-ID KEY...
  local id=$1
  shift
  xdotool windowactivate --sync "$id" >/dev/null 2>&1
  sleep 0.2
  xdotool key --clearmodifiers "$@"
}

journal_file() { echo "$1/Log/upgrade405_$today.jnl"; }

# The journal's lines as bytes: the start line, then the end line with `code`.
check_run_lines() {  # check_run_lines FILE FIRST-LINE-NUMBER EXIT-CODE EXE-DIR
  local file=$1 n=$2 code=$3 dir=$4
  local exepath
  exepath=$(windows_path "$dir/upgrade405.exe")
  local stamp='\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\]'
  local start end
  start=$(sed -n "${n}p" "$file")
  end=$(sed -n "$((n + 1))p" "$file")
  local quoted=${exepath//\\/\\\\}
  quoted=${quoted//./\\.}
  LC_ALL=C grep -qE "^$stamp\[Start  \] Processus \"$quoted\" version \"${version//./\\.}\" demarre sur \"[^\"\\\\]*\\\\[^\"]+\""$'\r$' <<<"$start" &&
    LC_ALL=C grep -qE "^$stamp\[System \] Processus termin"$'\xe9'" avec le code de sortie $code"$'\r$' <<<"$end"
}

echo "=== not-found notice"
dir=$(install_program notfound)
start_program "$dir"
if box=$(find_window '^upgrade405$'); then
  pass "the notice box appears, captioned with the title"
  # Ctrl+C copies the box; wine hands the text to X with line ends as LF. On a loaded machine
  # wine may take a while to offer it, so the clipboard is read until it holds the text, for at
  # most 5 s.
  dashes=---------------------------
  printf '%s\n%s\n%s\n%s\n\r%s\n%s\n%s\n%s\n' "$dashes" upgrade405 "$dashes" \
    "Base de donnée non trouvée dans :" "$(windows_path "$dir")\\database\\NUV.MDB" \
    "$dashes" "OK   " "$dashes" >"$dir/expected.txt"
  press "$box" ctrl+c
  for _ in $(seq 10); do
    sleep 0.5
    timeout 5 xclip -o -selection clipboard >"$dir/clipboard.txt" 2>/dev/null
    cmp -s "$dir/clipboard.txt" "$dir/expected.txt" && break
  done
  check "Ctrl+C puts the box's exact text on the clipboard" cmp -s "$dir/clipboard.txt" \
    "$dir/expected.txt"
  press "$box" Return
else
  fail "the notice box appears, captioned with the title"
fi
code=$(wait_exit "$dir")
check "after OK the program ends with exit code 0 (got '$code')" test "$code" = 0
check "no dialog was shown" test -z "$(xdotool search --name 'Mise-à-jour base' 2>/dev/null)"
jnl=$(journal_file "$dir")
check "the journal holds the start and end lines in the ANSI code page" \
  check_run_lines "$jnl" 1 0 "$dir"
check "the first run of the day has no separator" test "$(wc -l <"$jnl")" = 2

echo "=== a second run of the day, with /db= and a quoted path, dismissed with Escape"
# One parameter through the Windows command line: quoted for its space, with an accent and an
# ampersand (shown as a mnemonic, copied as it is); the last /db= wins.
db_path='C:\Mes Données\R&D\nuv.mdb'
start_program "$dir" /db=C:\\first.mdb "/db=$db_path" other
if box=$(find_window '^upgrade405$'); then
  press "$box" ctrl+c
  sleep 0.5
  timeout 5 xclip -o -selection clipboard >"$dir/clipboard2.txt" 2>/dev/null
  check "the notice names the path of the last /db= parameter" \
    test "$(sed -n 5p "$dir/clipboard2.txt")" = $'\r'"$db_path"
  press "$box" Escape
else
  fail "the notice box appears for the second run"
fi
code=$(wait_exit "$dir")
check "Escape dismisses the notice; exit code 0 (got '$code')" test "$code" = 0
check "one empty line separates the runs" test "$(sed -n 3p "$jnl")" = $'\r'
check "the second run has its own start and end lines" check_run_lines "$jnl" 4 0 "$dir"

echo "=== the database layer is not installed"
dir=$(install_program fatal)
wine reg delete "$connection_class" /f >/dev/null 2>&1
start_program "$dir"
if box=$(find_window "^Erreur d'application$"); then
  pass "the fatal error box appears"
  import -window root "$dir/fatal-error-box.png" >/dev/null 2>&1
  press "$box" Return
else
  fail "the fatal error box appears"
fi
code=$(wait_exit "$dir")
restore_prefix
check "the program ends with exit code 1 (got '$code')" test "$code" = 1
check "no notice and no dialog were shown" \
  test -z "$(xdotool search --name 'Mise-à-jour base' 2>/dev/null)"
check "the journal's end line records exit code 1" check_run_lines "$(journal_file "$dir")" 1 1 "$dir"

if [ -n "${ODBCINI:-}" ]; then
  echo "=== the dialog, on a database reached through ODBC under the Jet provider's name"
  dir=$(install_program dialog)
  wine reg add "$jet_progid\\CLSID" /ve /d "$odbc_provider" /f >/dev/null 2>&1
  start_program "$dir" /db=upgrade405e2e
  if dialog=$(find_window '^Mise-à-jour base de donnée 4\.04 -> 4\.05$'); then
    pass "the database opens and the dialog appears with its caption"
    geometry=$(xdotool getwindowgeometry "$dialog")
    check "its client area is 289 by 89" grep -q 'Geometry: 289x89' <<<"$geometry"
    # Each press runs the statement; wine's Command.Execute is not implemented, so the error
    # box shows the system's text for that code, and the dialog stays.
    press "$dialog" space
    if err=$(find_window '^upgrade405$'); then
      pass "Space presses the button: the database's answer is shown in the error box"
      press "$err" Return
      check "the error box goes with Enter" gone "$err"
    else
      fail "Space presses the button: the database's answer is shown in the error box"
    fi
    press "$dialog" Return
    if err=$(find_window '^upgrade405$'); then
      pass "Enter presses the button as well"
      press "$err" Return
      gone "$err" >/dev/null
    else
      fail "Enter presses the button as well"
    fi
    press "$dialog" Escape
    sleep 0.5
    check "Escape does not close the dialog" test -z "$(cat "$dir/exit-code" 2>/dev/null)"
    press "$dialog" alt+F4
  else
    fail "the database opens and the dialog appears with its caption"
  fi
  code=$(wait_exit "$dir")
  wine reg delete "$jet_progid" /f >/dev/null 2>&1
  check "Alt+F4 closes it; exit code 0 (got '$code')" test "$code" = 0
  check "the journal has the run's start and end lines" \
    check_run_lines "$(journal_file "$dir")" 1 0 "$dir"
fi

# The default database beside the program, as a site has it: a 4.04 database that the project's
# writer made (the Linux build's tool). Wine has no Jet provider: the provider's name leads to
# ODBC, where a data source named after the default database's Windows path opens that very file
# with mdbtools' driver. ODBC keeps a data source's name to 32 characters, so the program runs
# from its folder as drive U:, and looks for U:\database\NUV.MDB.
sample_tool=$root/build/linux/make_sample_mdb
mdb_driver=$(dirname "$odbc_driver")/libmdbodbc.so
if [ -n "${ODBCINI:-}" ] && [ -x "$sample_tool" ] && [ -f "$mdb_driver" ]; then
  echo "=== the dialog on database\\NUV.MDB beside the program, a 4.04 database of the writer"
  dir=$(install_program sample)
  mkdir -p "$dir/database"
  "$sample_tool" "$dir/database/NUV.MDB" >"$dir/make_sample_mdb.log"
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/u:"
  printf '[U:\\database\\NUV.MDB]\nDriver=%s\nDatabase=%s\n' "$mdb_driver" \
    "$dir/database/NUV.MDB" >>"$work/odbc.ini"
  wine reg add "$jet_progid\\CLSID" /ve /d "$odbc_provider" /f >/dev/null 2>&1
  program='U:\upgrade405.exe' start_program "$dir"
  if dialog=$(find_window '^Mise-à-jour base de donnée 4\.04 -> 4\.05$'); then
    pass "without /db= the program opens database\\NUV.MDB beside it and shows the dialog"
    press "$dialog" alt+F4
  else
    fail "without /db= the program opens database\\NUV.MDB beside it and shows the dialog"
    box=$(find_window '^upgrade405$') && press "$box" Return
  fi
  code=$(wait_exit "$dir")
  wine reg delete "$jet_progid" /f >/dev/null 2>&1
  rm -f "$WINEPREFIX/dosdevices/u:"
  check "Alt+F4 closes it; exit code 0 (got '$code')" test "$code" = 0
else
  echo "skipped: the dialog on a database the writer made (needs $sample_tool, from" \
    "\`cmake --build --preset linux --target make_sample_mdb\`, and $mdb_driver)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
