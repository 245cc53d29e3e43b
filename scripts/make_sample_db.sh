#!/usr/bin/env bash
# Makes a database at schema 4.04 at the given path, unless a file is already there.
set -euo pipefail
db=${1:?usage: make_sample_db.sh PATH}
[ -e "$db" ] && exit 0
mkdir -p "$(dirname "$db")"
sqlite3 "$db" <<'SQL'
CREATE TABLE nuv (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Filename TEXT(50) NOT NULL DEFAULT '',
  Title VARCHAR(80),
  Recorded DATETIME,
  Size INTEGER DEFAULT 0
);
CREATE INDEX nuv_filename ON nuv (Filename);
INSERT INTO nuv (Filename, Title, Recorded, Size) VALUES
  ('C:\NUV\2026\0001.nuv', 'Réunion de service', '2026-01-12 09:30:00', 104857),
  ('C:\NUV\2026\0002.nuv', 'Formation sécurité', '2026-02-03 14:00:00', 52428),
  ('C:\NUV\2026\0003.nuv', 'Visite du site', '2026-03-21 10:15:00', 73400),
  ('D:\Archives\2025\vidéo-1234.nuv', 'Archive décembre', '2025-12-30 16:45:00', 9437184);
SQL
echo "made $db"
