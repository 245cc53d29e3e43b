#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 programs, 1 when it cannot.
#
# It finds out by running one: a 93-byte static i386 ELF that only calls exit(0), written to a
# temporary file. Some kernels (or sandboxes) refuse every i386 ELF with "Exec format error";
# wine32 and the 32-bit Windows build cannot run there. Needs nothing beyond bash and printf.
set -u
# The probe goes in the first folder where a native program runs (a noexec /tmp would
# otherwise look like a machine without 32-bit support).
probe=
control=
trap 'rm -f "$probe" "$control"' EXIT
for dir in "${TMPDIR:-/tmp}" /var/tmp "$HOME"; do
  control=$(mktemp "$dir/native-probe.XXXXXX" 2>/dev/null) || continue
  cp /bin/true "$control" && chmod +x "$control" && "$control" 2>/dev/null && {
    probe=$(mktemp "$dir/i386-probe.XXXXXX") && break
  }
  rm -f "$control"
done
[ -n "$probe" ] || { echo "can_run_i386.sh: no folder where programs may run" >&2; exit 1; }
# ELF header (52 bytes), one PT_LOAD program header (32 bytes), then the code:
# mov eax, 1; xor ebx, ebx; int 0x80
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
  '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
