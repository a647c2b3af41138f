#pragma once

namespace corvane::journal {

// The journal's one table, a row per hand-over (see HandOver). Texts that
// come from the file system (path, arguments, moved_to) are stored as BLOBs,
// bytes as they are; arguments hold each argument followed by a NUL byte.
// outcome holds OutcomeName's word. Times are milliseconds (nanoseconds for
// modified_ns) since the epoch, UTC.
inline constexpr int kSchemaVersion = 1;  // PRAGMA user_version
inline constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS hand_overs (
  id INTEGER PRIMARY KEY,
  started_ms INTEGER NOT NULL,
  point TEXT NOT NULL,
  path BLOB NOT NULL,
  size INTEGER,
  modified_ns INTEGER,
  inode INTEGER,
  arguments BLOB NOT NULL,
  pid INTEGER NOT NULL,
  waited INTEGER NOT NULL,
  outcome TEXT NOT NULL,
  code INTEGER,
  duration_ms INTEGER,
  moved_to BLOB
);
CREATE INDEX IF NOT EXISTS hand_overs_by_start ON hand_overs (started_ms);
)sql";

}  // namespace corvane::journal
