#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under the prefix /usr, checks the installed files
# (the desktop entry, the AppStream metadata and the manual pages with their validators, the
# icons' sizes), then runs the installed program from there, on the terminal, on a copy of a Jet
# 4 database, and checks the upgrade with mdbtools. Where CPack can make the Debian package
# (dpkg-shlibdeps), installs it into a private dpkg root and removes it again. Exits 77 (skipped)
# when no Jet database is at hand.
#
#   install_test.sh BUILD SOURCE BINDIR MODULEDIR MANDIR DOCDIR DATADIR APPSTREAM_ID
#   (BINDIR to DATADIR relative to the prefix)
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 bindir=$3 moduledir=$4 mandir=$5 docdir=$6 datadir=$7 appid=$8

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dest=$work/root

DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" ||
  fail "cmake --install: $(cat "$work/install.log")"

# Exactly these files, nothing else.
sizes=(16 24 32 48 64 128 256)
desktopFiles=("usr/$datadir/applications/upgrade405.desktop"
  "usr/$datadir/metainfo/$appid.metainfo.xml"
  "usr/$datadir/icons/hicolor/scalable/apps/upgrade405.svg")
for size in "${sizes[@]}"; do
  desktopFiles+=("usr/$datadir/icons/hicolor/${size}x$size/apps/upgrade405.png")
done
expected=$(printf '%s\n' "usr/$bindir/upgrade405" "usr/$moduledir/upgrade405-fltk.so" \
  "usr/$mandir/man1/upgrade405.1.gz" "usr/$mandir/fr/man1/upgrade405.1.gz" \
  "usr/$docdir/README.md" "usr/$docdir/copyright" "usr/$docdir/changelog.gz" \
  "${desktopFiles[@]}" | sort)
installed=$(cd "$dest" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] ||
  fail "installed files differ from the expected list:$(diff <(echo "$expected") <(echo "$installed"))"
[ -x "$dest/usr/$bindir/upgrade405" ] || fail "usr/$bindir/upgrade405 is not executable"

# Both manual pages render without a warning (preconv reads the French page's UTF-8), through
# groff and through man on an 80-column terminal, and nothing in them is hyphenated at any
# width: a path, a command, a program's text or a key broken at a line's end would be copied
# wrong (groff marks such a break with U+2010).
for page in man1 fr/man1; do
  source=$dest/usr/$mandir/$page/upgrade405.1.gz
  warnings=$(gzip -dc "$source" | groff -k -ww -man -Tutf8 -z 2>&1)
  [ -z "$warnings" ] || fail "the manual page $page/upgrade405.1 renders with warnings: $warnings"
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man -l "$source" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man -l $page/upgrade405.1 prints warnings: $warnings"
  fi
  for width in 60 70 80 100 120; do
    broken=$(gzip -dc "$source" | groff -k -man -Tutf8 -rLL=${width}n 2>/dev/null | grep '‐$' || true)
    [ -z "$broken" ] || fail "$page/upgrade405.1 is hyphenated at $width columns: $broken"
  done
done

# The desktop entry and the AppStream metadata pass their validators: desktop-file-validate
# prints nothing for a valid entry; appstreamcli exits 0 (its "info" notes are allowed), on the
# metadata alone and on the installed tree, where the launchable must lead to the entry.
out=$(desktop-file-validate "$dest/usr/$datadir/applications/upgrade405.desktop" 2>&1) &&
  [ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$dest/usr/$datadir/metainfo/$appid.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $out"
out=$(appstreamcli validate-tree --no-net "$dest" 2>&1) || fail "appstreamcli validate-tree: $out"

# Installing never makes the program the application that opens Access files: GLib, with what
# the package's trigger makes (the MIME cache of the desktop entries) and the installed program
# on the PATH, names it neither as the default nor among the applications for the type.
if command -v gio >/dev/null && command -v update-desktop-database >/dev/null; then
  update-desktop-database "$dest/usr/$datadir/applications"
  mkdir -p "$work/xdg"
  mime=$(env -i PATH="$dest/usr/$bindir:/usr/bin:/bin" HOME="$work/xdg" XDG_CONFIG_HOME="$work/xdg" \
    XDG_CONFIG_DIRS="$work/xdg" XDG_DATA_HOME="$work/xdg" XDG_DATA_DIRS="$dest/usr/$datadir" \
    gio mime application/vnd.ms-access 2>&1)
  ! grep -q upgrade405 <<<"$mime" || fail "gio mime application/vnd.ms-access names the program: $mime"
  rm "$dest/usr/$datadir/applications/mimeinfo.cache"
else
  echo "skipped: gio mime (no gio or update-desktop-database: libglib2.0-bin, desktop-file-utils)"
fi

# Each PNG icon is as large as the folder it lies in says (the width and height in its header).
for size in "${sizes[@]}"; do
  png=$dest/usr/$datadir/icons/hicolor/${size}x$size/apps/upgrade405.png
  read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$png")
  width=$(((w3 << 24) | (w2 << 16) | (w1 << 8) | w0))
  height=$(((h3 << 24) | (h2 << 16) | (h1 << 8) | h0))
  [ "$width"x"$height" = "$size"x"$size" ] || fail "$png is ${width}x$height, not ${size}x$size"
done

# The manual page in the user's language: man picks the French one for a French locale and for
# man -L fr (man adds the language's folders to a MANPATH, not to a path given with -M). The
# locale is the system's where it has one, else one compiled here from the locales package's
# sources; without either that check is skipped.
if command -v man >/dev/null; then
  manIn() { MANPATH="$dest/usr/$mandir" MANPAGER=cat LANGUAGE= LC_ALL= "$@" 2>&1; }
  page=$(LANG=C manIn man -L fr upgrade405)
  grep -q 'Commandes utilisateur' <<<"$page" || fail "man -L fr does not show the French page: $page"
  page=$(LANG=C manIn man upgrade405)
  grep -q 'User Commands' <<<"$page" || fail "man in the C locale does not show the English page: $page"
  frenchLocale=()
  if locale -a 2>/dev/null | grep -qix 'fr_FR\.utf-\?8'; then
    frenchLocale=(env)
  elif command -v localedef >/dev/null && [ -f /usr/share/i18n/locales/fr_FR ] &&
    mkdir -p "$work/locale" && localedef -i fr_FR -f UTF-8 "$work/locale/fr_FR.UTF-8" >/dev/null 2>&1; then
    frenchLocale=(env LOCPATH="$work/locale")
  fi
  if [ ${#frenchLocale[@]} -gt 0 ]; then
    page=$(LANG=fr_FR.UTF-8 manIn "${frenchLocale[@]}" man upgrade405)
    grep -q 'Commandes utilisateur' <<<"$page" && grep -q 'schéma' <<<"$page" ||
      fail "LANG=fr_FR.UTF-8 man does not show the French page: $page"
  else
    echo "skipped: LANG=fr_FR.UTF-8 man upgrade405 (no fr_FR.UTF-8 locale, nor the locales package to make one)"
  fi
else
  echo "skipped: man (man-db is not installed)"
fi

# The installed program's help names the database it would open by default, beside itself, which
# is not there, and then the parameter that names another.
help=$("$dest/usr/$bindir/upgrade405" --help) || fail "upgrade405 --help exited with $?"
grep -qF "$dest/usr/$bindir/database/NUV.MDB" <<<"$help" ||
  fail "upgrade405 --help does not name $dest/usr/$bindir/database/NUV.MDB: $help"
grep -F -A1 -x "$dest/usr/$bindir/database/NUV.MDB" <<<"$help" | tail -n 1 | grep -qF '/db=' ||
  fail "upgrade405 --help does not say to name the database with /db=: $help"

# A Jet 4 database: the project's writer when the build has it, else a copy of the shared
# fixture.
db=$work/data/NUV.MDB
mkdir -p "$work/data"
fixtures=${UPGRADE405_FIXTURES:-$source/../shared/fixtures}
if [ -x "$build/make_sample_mdb" ]; then
  "$build/make_sample_mdb" "$db" >/dev/null || fail "make_sample_mdb $db"
elif [ -f "$fixtures/nuv404.mdb" ]; then
  cp "$fixtures/nuv404.mdb" "$db"
  chmod u+w "$db"
else
  echo "skipped: no make_sample_mdb in $build and no folder $(realpath -m "$fixtures") with nuv404.mdb in it"
  exit 77
fi

grep -Eq '\[Filename\][[:space:]]+Text \(96\)' <<<"$(mdb-schema -T nuv "$db" access)" &&
  fail "$db is already upgraded"

# Started from another folder, on the terminal: press, dismiss the confirmation, close.
out=$(cd "$work" && printf 'enter\nenter\nclose\n' | DISPLAY='' "$dest/usr/$bindir/upgrade405" "/db=$db" 2>&1) ||
  fail "the installed program exited with $?: $out"
grep -qx 'Text: Mise à jour effetuée.' <<<"$out" || fail "no confirmation: $out"
schema=$(mdb-schema -T nuv "$db" access)
grep -Eq '\[Filename\][[:space:]]+Text \(96\)' <<<"$schema" ||
  fail "mdb-schema does not show [Filename] Text (96): $schema"

# With a display named, the installed program loads its module from where it was installed (no
# X server answers on that display, so the terminal still draws the windows).
n=400
while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
trace=$(printf 'close\n' | DISPLAY=:$n LD_DEBUG=files "$dest/usr/$bindir/upgrade405" "/db=$db" 2>&1 >/dev/null)
grep -q "file=$dest/usr/$bindir/.*upgrade405-fltk.so .*dynamically loaded" <<<"$trace" ||
  fail "the installed program did not load usr/$moduledir/upgrade405-fltk.so: $(grep -i fltk <<<"$trace")"
[ "$(realpath "$(grep -o "file=[^ ]*upgrade405-fltk.so" <<<"$trace" | head -1 | cut -d= -f2)")" = \
  "$(realpath "$dest/usr/$moduledir/upgrade405-fltk.so")" ] || fail "the module loaded is not the installed one"
# The Debian package carries the same desktop files and manual pages: dpkg installs them and
# takes every one away again (what apt-get install and apt-get remove do), in a private root.
if command -v dpkg-shlibdeps >/dev/null && command -v file >/dev/null; then
  (cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package") >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
  debs=("$work"/package/upgrade405_*.deb)
  root=$work/dpkg-root
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  dpkgIn=(dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null)
  "${dpkgIn[@]}" -i "${debs[0]}" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
  for file in "${desktopFiles[@]}" "usr/$mandir/man1/upgrade405.1.gz" \
    "usr/$mandir/fr/man1/upgrade405.1.gz"; do
    [ -f "$root/$file" ] || fail "the package does not install $file"
  done
  "${dpkgIn[@]}" -r upgrade405 >"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$work/dpkg.log")"
  left=$(cd "$root" && find . -path ./var -prune -o ! -type d -print)
  [ -z "$left" ] || fail "removing the package left files behind: $left"
  echo "the package installs $(basename "${debs[0]}")'s files and its removal takes them away"
else
  echo "skipped: the Debian package's install and removal (no dpkg-shlibdeps or file:" \
    "scripts/install_deps.sh package installs them)"
fi

echo "installed under $dest: $(wc -l <<<"$installed") files; the installed program upgraded $db"
