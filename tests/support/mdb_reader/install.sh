#!/usr/bin/env bash
# Installs mdb-reader and the packages it uses into node_modules/ beside this script, as
# package-lock.json pins them (npm ci), unless node_modules/ already holds that install.
# Quiet when it succeeds; npm's errors go to standard error. Several test processes may call it
# at once: a lock on package-lock.json lets one install while the others wait for it.
set -euo pipefail
cd "$(dirname "$0")"
exec 9<package-lock.json
flock 9
# npm ci ends by writing node_modules/.package-lock.json: newer than the lock file, it is the
# install of that lock file.
if [ -f node_modules/mdb-reader/package.json ] && [ node_modules/.package-lock.json -nt package-lock.json ]; then
  exit 0
fi
npm ci --no-audit --no-fund --loglevel=error >/dev/null
