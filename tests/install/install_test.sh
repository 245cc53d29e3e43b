#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under the prefix /usr, checks the installed files,
# then runs the installed program from there, on the terminal, on a copy of a Jet 4 database, and
# checks the upgrade with mdbtools. Exits 77 (skipped) when no Jet database is at hand.
#
#   install_test.sh BUILD SOURCE BINDIR MODULEDIR MANDIR DOCDIR   (the last four from the prefix)
set -euo pipefail
build=$1 source=$2 bindir=$3 moduledir=$4 mandir=$5 docdir=$6

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dest=$work/root

DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" ||
  fail "cmake --install: $(cat "$work/install.log")"

# Exactly these files, nothing else.
expected=$(printf '%s\n' "usr/$bindir/upgrade405" "usr/$moduledir/upgrade405-fltk.so" \
  "usr/$mandir/man1/upgrade405.1.gz" "usr/$docdir/README.md" "usr/$docdir/copyright" \
  "usr/$docdir/changelog.gz" | sort)
installed=$(cd "$dest" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] ||
  fail "installed files differ from the expected list:$(diff <(echo "$expected") <(echo "$installed"))"
[ -x "$dest/usr/$bindir/upgrade405" ] || fail "usr/$bindir/upgrade405 is not executable"

# The manual page renders without a warning.
warnings=$(gzip -dc "$dest/usr/$mandir/man1/upgrade405.1.gz" | groff -ww -man -Tutf8 -z 2>&1)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"

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
echo "installed under $dest: $(wc -l <<<"$installed") files; the installed program upgraded $db"
