#pragma once
// Text in Excel records: 8-bit strings of BIFF2 to BIFF7 in the workbook's code page,
// Unicode strings of BIFF8 (an option byte chooses 8-bit Latin-1 or 16-bit characters,
// and may announce formatting runs and phonetic text after them), strings that CONTINUE
// records carry on, and the shared-string table.

#include <span>
#include <vector>

#include "import/SMXLSRecords.h"

namespace ordvane {

// How a workbook stores 8-bit text.
struct TBIFFTextEncoding {
  // BIFF8: strings carry an option byte, and 8-bit characters are Latin-1 (the low bytes
  // of UTF-16). Before: 8-bit characters only, in CodePage.
  bool Unicode = false;
  Cardinal CodePage = 0;
};

// The code page for the value of a CODEPAGE record: the Windows and DOS code pages that
// the class library knows, Windows-1252 for the Western ones it does not (ASCII, the Mac
// and Excel 2-4 names of it), and Windows-1251 for anything else.
Cardinal CodePageFromRecord(Word value);

// Reads the bytes of a string that may run over several segments (the data of a record
// and of the CONTINUE records after it). A string's characters continue in the next
// segment after a new option byte, which may switch between 8-bit and 16-bit characters.
class TBIFFTextReader {
 public:
  // exhausted: the message of the EXLSError raised when the segments end too early.
  TBIFFTextReader(std::span<const std::span<const Byte>> segments, AnsiString exhausted);

  bool AtEnd();
  Byte U8();
  Word U16();
  Cardinal U32();
  void Skip(std::size_t count);
  // count characters, 16-bit when wide; across segments as described above.
  WideString Characters(std::size_t count, bool wide, Cardinal codePage);

  // The rest of a BIFF8 string whose character count and option byte were read: the
  // counts of formatting runs and phonetic bytes the options announce, the characters,
  // then the runs and the phonetic text, which are passed over.
  WideString UnicodeString(std::size_t count, Byte options);
  // A string: its character count (8 or 16 bits wide), in BIFF8 an option byte and what
  // UnicodeString reads, before that the 8-bit characters in the encoding's code page.
  WideString String(bool wideCount, const TBIFFTextEncoding& encoding);
  // Bytes read so far, over all segments.
  std::size_t Consumed() const;

 private:
  // The bytes left in the current segment, moving on past empty or used-up segments.
  std::size_t Available();
  std::span<const Byte> Take(std::size_t count);
  [[noreturn]] void Exhausted() const;

  std::span<const std::span<const Byte>> fSegments;
  AnsiString fExhausted;
  std::size_t fSegment = 0;
  std::size_t fOffset = 0;
};

// A string inside one record, from offset on; offset moves past it. Raises "Excel record
// <id> is damaged" when the string runs past the record.
WideString ReadRecordString(const TBIFFData& data, std::size_t& offset, bool wideCount,
                            const TBIFFTextEncoding& encoding);

// The shared-string table of an SST record and its CONTINUE records: count strings
// appended to table, in order. Raises "CONTINUE record is not found in the stream" when the
// records end before the strings do, and "String in SST (Options byte is 0xNN) can not be
// processed." for an option byte it does not know.
void ReadSharedStrings(TBIFFTextReader& reader, Cardinal count, std::vector<WideString>& table);

extern const char* const ContinueNotFoundMessage;

}  // namespace ordvane
