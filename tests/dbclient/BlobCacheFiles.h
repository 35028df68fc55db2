#pragma once
// Blob cache files made by hand from the file layout, and the documents' blobs, for the
// tests of the cache.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "dbclient/FIBQuery.h"

namespace ordvane::test {

// A document body the cache tests store.
inline constexpr char kFirstBody[] = "the first document body";

inline std::string LE32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

// A file made by hand from the layout.
inline std::string HandMadeFile(const std::string& table, const std::string& field,
                                const std::string& keyText, const std::string& body, uint32_t idHigh = 5,
                                uint32_t idLow = 6, uint32_t keyCount = 1) {
  return "FIB$BLOB_BODY" + LE32(1) + LE32(idHigh) + LE32(idLow) + LE32(static_cast<uint32_t>(body.size())) +
         LE32(keyCount) + LE32(static_cast<uint32_t>(table.size())) + table +
         LE32(static_cast<uint32_t>(field.size())) + field + LE32(static_cast<uint32_t>(keyText.size())) +
         keyText + body;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The blob id of a document of the DOCS table, read through a connected statement.
inline ISC_QUAD DocumentBlobId(TFIBQuery& query, int id) {
  query.SQL().SetText("select BODY from DOCS where ID = " + std::to_string(id));
  query.ExecQuery();
  const ISC_QUAD blobId = query.FieldByName("BODY").GetAsQuad();
  query.Close();
  return blobId;
}

}  // namespace ordvane::test
