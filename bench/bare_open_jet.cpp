// The baseline of a whole run of the program on a Jet file: a process that opens the same
// database with libmdb directly, reads its catalog, and ends.
// libmdb's header includes glib's inside extern "C"; glib's, included first, brings its C++
// parts in with C++ linkage.
#include <glib.h>
#include <mdbtools.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
    return 2;
  }
  MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
  if (mdb == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
  const int ok = catalog != nullptr && catalog->len > 0;
  mdb_close(mdb);
  return ok ? 0 : 1;
}
