#pragma once
// Workbooks made record by record for the reader's tests: records, the usual cell records
// of Excel 97, and a minimal compound file (one stream in regular sectors) around a
// workbook stream.

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "classlib/core/System.h"

namespace ordvane::test {

using Bytes = std::vector<Byte>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

inline Bytes U16(unsigned v) {
  return {static_cast<Byte>(v), static_cast<Byte>(v >> 8)};
}

inline Bytes U32(unsigned long v) {
  return U16(static_cast<unsigned>(v & 0xFFFF)) + U16(static_cast<unsigned>(v >> 16));
}

inline Bytes F64(double v) {
  Bytes out(8);
  std::memcpy(out.data(), &v, 8);
  return out;
}

inline Bytes Record(Word id, const Bytes& data) {
  return U16(id) + U16(static_cast<unsigned>(data.size())) + data;
}

// Excel 97 strings: an 8-bit count and 8-bit characters, or a 16-bit count and 16-bit ones.
inline Bytes ShortString8(const std::string& ascii) {
  return Bytes{static_cast<Byte>(ascii.size()), 0} + Bytes(ascii.begin(), ascii.end());
}
inline Bytes String16(const std::u16string& text) {
  Bytes out = U16(static_cast<unsigned>(text.size())) + Bytes{1};
  for (char16_t c : text) out = out + U16(c);
  return out;
}

inline Bytes BOF(unsigned type, bool biff8 = true) {
  return Record(0x0809, U16(biff8 ? 0x0600 : 0x0500) + U16(type) + U16(0x0DBB) + U16(0x07CC) +
                            (biff8 ? U32(0) + U32(6) : Bytes{}));
}
inline Bytes EOFRecord() {
  return Record(0x000A, {});
}
inline Bytes Number(unsigned row, unsigned col, unsigned xf, double v) {
  return Record(0x0203, U16(row) + U16(col) + U16(xf) + F64(v));
}
inline Bytes Label8(unsigned row, unsigned col, const std::string& ascii) {
  return Record(0x0204, U16(row) + U16(col) + U16(0) + U16(static_cast<unsigned>(ascii.size())) + Bytes{0} +
                            Bytes(ascii.begin(), ascii.end()));
}

// A workbook stream of Excel 97 (or, with biff8 false, of Excel 5): globals (with the
// extra records given) naming the sheets, then the sheets, each a BOF of its type, its
// records and an EOF.
struct TSheetLayout {
  std::string Name;
  unsigned Type = 0x10;
  Bytes Records;
};

inline Bytes WorkbookStream(const Bytes& globalRecords, const std::vector<TSheetLayout>& sheets, bool biff8 = true) {
  auto globals = [&](const std::vector<unsigned long>& offsets) {
    Bytes out = BOF(0x0005, biff8) + globalRecords;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      Bytes name = ShortString8(sheets[i].Name);
      if (!biff8) name.erase(name.begin() + 1);  // no option byte before Excel 97
      out = out + Record(0x0085, U32(offsets[i]) + Bytes{0, static_cast<Byte>(sheets[i].Type == 0x20 ? 2 : 0)} + name);
    }
    return out + EOFRecord();
  };
  std::vector<unsigned long> offsets(sheets.size(), 0);
  unsigned long at = globals(offsets).size();
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    offsets[i] = at;
    at += BOF(0, biff8).size() + sheets[i].Records.size() + EOFRecord().size();
  }
  Bytes out = globals(offsets);
  for (const auto& sheet : sheets) out = out + BOF(sheet.Type, biff8) + sheet.Records + EOFRecord();
  return out;
}

// A compound file of version 3 holding one stream, padded with zero bytes to 4096 so
// that it lives in regular sectors: the stream's sectors, one directory sector, the
// allocation-table sectors, then, for streams beyond about 7 MB, the DIFAT sectors that
// list the table sectors the header has no room for.
inline Bytes CompoundFile(const std::u16string& streamName, Bytes stream) {
  constexpr unsigned long kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFat = 0xFFFFFFFD, kDifat = 0xFFFFFFFC;
  constexpr unsigned kHeaderFatSectors = 109, kPerDifatSector = 127;
  if (stream.size() < 4096) stream.resize(4096, 0);
  const unsigned long streamSize = stream.size();
  stream.resize((stream.size() + 511) / 512 * 512, 0);
  const unsigned streamSectors = static_cast<unsigned>(stream.size() / 512);
  const unsigned dirSector = streamSectors;
  unsigned fatSectors = 1, difatSectors = 0;
  for (;; ++fatSectors) {
    difatSectors = fatSectors > kHeaderFatSectors
                       ? (fatSectors - kHeaderFatSectors + kPerDifatSector - 1) / kPerDifatSector
                       : 0;
    if (fatSectors * 128 >= streamSectors + 1 + fatSectors + difatSectors) break;
  }
  const unsigned firstFatSector = dirSector + 1, firstDifatSector = firstFatSector + fatSectors;

  Bytes header = Bytes{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1} + Bytes(16, 0) + U16(0x3E) + U16(3) +
                 U16(0xFFFE) + U16(9) + U16(6) + Bytes(6, 0) + U32(0) + U32(fatSectors) + U32(dirSector) + U32(0) +
                 U32(4096) + U32(kEnd) + U32(0) + U32(difatSectors > 0 ? firstDifatSector : kEnd) + U32(difatSectors);
  for (unsigned i = 0; i < kHeaderFatSectors; ++i) header = header + U32(i < fatSectors ? firstFatSector + i : kFree);

  auto entry = [](const std::u16string& name, Byte type, unsigned long child, unsigned long start,
                  unsigned long size) {
    Bytes e;
    for (char16_t c : name) e = e + U16(c);
    e.resize(64, 0);
    e = e + U16(type == 0 ? 0 : static_cast<unsigned>((name.size() + 1) * 2)) + Bytes{type, 1} + U32(kFree) +
        U32(kFree) + U32(child) + Bytes(16, 0) + U32(0) + Bytes(16, 0) + U32(start) + U32(size) + U32(0);
    return e;
  };
  Bytes directory = entry(u"Root Entry", 5, 1, kEnd, 0) + entry(streamName, 2, kFree, 0, streamSize);
  while (directory.size() < 512) directory = directory + entry(u"", 0, kFree, kFree, 0);

  Bytes fat;
  fat.reserve(std::size_t{fatSectors} * 512);
  for (unsigned i = 0; i < streamSectors; ++i) Append(fat, U32(i + 1 == streamSectors ? kEnd : i + 1));
  Append(fat, U32(kEnd));
  for (unsigned i = 0; i < fatSectors; ++i) Append(fat, U32(kFat));
  for (unsigned i = 0; i < difatSectors; ++i) Append(fat, U32(kDifat));
  while (fat.size() < std::size_t{fatSectors} * 512) Append(fat, U32(kFree));

  Bytes difat;
  for (unsigned i = 0; i < difatSectors; ++i) {
    for (unsigned j = 0; j < kPerDifatSector; ++j) {
      const unsigned listed = kHeaderFatSectors + i * kPerDifatSector + j;
      Append(difat, U32(listed < fatSectors ? firstFatSector + listed : kFree));
    }
    Append(difat, U32(i + 1 < difatSectors ? firstDifatSector + i + 1 : kEnd));
  }
  return header + stream + directory + fat + difat;
}

}  // namespace ordvane::test
