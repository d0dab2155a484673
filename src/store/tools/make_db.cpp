// make_db SCHEMA OUT: builds the shipped catalogue database from its schema.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_db SCHEMA OUT\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  std::stringstream schema;
  schema << in.rdbuf();
  std::remove(argv[2]);
  sqlite3* db = nullptr;
  char* err = nullptr;
  if (sqlite3_open(argv[2], &db) != SQLITE_OK ||
      sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "make_db: %s\n", err ? err : sqlite3_errmsg(db));
    sqlite3_close(db);
    std::remove(argv[2]);
    return 1;
  }
  sqlite3_close(db);
  return 0;
}
