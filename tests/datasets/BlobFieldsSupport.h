#pragma once
// The database of the blob and array field tests, made once per process.

#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {

inline TestDatabase& BlobFieldsDatabase() {
  static TestDatabase db("datasets/blobfields.sql", {3, "WIN1251"});
  return db;
}

}  // namespace ordvane::test
