#pragma once
// Text in Excel records: 8-bit strings of BIFF2 to BIFF7 in the workbook's code page,
// Unicode strings of BIFF8 (an option byte chooses 8-bit Latin-1 or 16-bit characters,
// and may announce formatting runs and phonetic text after them), strings that CONTINUE
// records carry on, and the shared-string table.

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "classlib/core/CodePageDecoder.h"
#include "classlib/core/CodePages.h"
#include "import/SMXLSRecords.h"

namespace ordvane {

// How a workbook stores 8-bit text.
class TBIFFTextEncoding {
 public:
  // unicode: BIFF8, whose strings carry an option byte and whose 8-bit characters are
  // Latin-1 (the low bytes of UTF-16). Before BIFF8: 8-bit characters only, in codePage.
  TBIFFTextEncoding(bool unicode, Cardinal codePage) : fUnicode(unicode), fDecoder(std::in_place, codePage) {}

  bool Unicode() const { return fUnicode; }
  void SetUnicode(bool unicode) { fUnicode = unicode; }
  // Raises EConvertError for a code page that cannot be decoded; every 8-bit text after it
  // raises the same, so that none is decoded as if it were in another code page.
  void SetCodePage(Cardinal codePage);
  // The decoder of 8-bit text before BIFF8 (raises as SetCodePage did).
  const TCodePageDecoder& Decoder() const;

 private:
  bool fUnicode;
  std::optional<TCodePageDecoder> fDecoder;
  AnsiString fUndecodable;  // why there is no decoder
};

// The code page for the value of a CODEPAGE record: the value itself, but Windows-1252 for
// ASCII and for the number Excel 2 to 4 gave it, and Mac Roman for Excel's number of it.
Cardinal CodePageFromRecord(Word value);

// Reads the bytes of a string that may run over several segments (the data of a record
// and of the CONTINUE records after it). A string's characters continue in the next
// segment after a new option byte, which may switch between 8-bit and 16-bit characters.
class TBIFFTextReader {
 public:
  // exhausted: the message of the EXLSError raised when the segments end too early.
  TBIFFTextReader(std::span<const std::span<const Byte>> segments, AnsiString exhausted);

  // From now on, characters the segments end before are not an error: the text ends
  // there, and TextCut tells.
  void CutTextAtTheEnd() { fCutTextAtTheEnd = true; }
  bool TextCut() const { return fTextCut; }

  bool AtEnd();
  Byte U8();
  Word U16();
  Cardinal U32();
  void Skip(std::size_t count);
  // count characters, 16-bit when wide, else 8-bit ones that decoder decodes; across
  // segments as described above.
  WideString Characters(std::size_t count, bool wide, const TCodePageDecoder& decoder);

  // The rest of a BIFF8 string whose character count and option byte were read: the
  // counts of formatting runs and phonetic bytes the options announce, the characters,
  // then the runs and the phonetic text, which are passed over.
  WideString UnicodeString(std::size_t count, Byte options);
  // A string: its character count (8 or 16 bits wide), in BIFF8 an option byte and what
  // UnicodeString reads, before that the 8-bit characters in the encoding's code page.
  WideString String(bool wideCount, const TBIFFTextEncoding& encoding);
  // Bytes read so far, over all segments, and bytes left in them.
  std::size_t Consumed() const;
  std::size_t Remaining() const;

 private:
  // The bytes left in the current segment, moving on past empty or used-up segments.
  std::size_t Available();
  std::span<const Byte> Take(std::size_t count);
  [[noreturn]] void Exhausted() const;
  // The segments end inside a text: raises, or marks the text cut.
  void TextRunsOut();

  std::span<const std::span<const Byte>> fSegments;
  AnsiString fExhausted;
  std::size_t fSegment = 0;
  std::size_t fOffset = 0;
  bool fCutTextAtTheEnd = false;
  bool fTextCut = false;
};

// A string inside one record, from offset on; offset moves past it. Raises "Excel record
// <id> is damaged" when the string runs past the record.
WideString ReadRecordString(const TBIFFData& data, std::size_t& offset, bool wideCount,
                            const TBIFFTextEncoding& encoding);

// count characters from offset on, their count kept elsewhere in the record: in BIFF8
// after an option byte, before that 8-bit characters in the encoding's code page. Raises
// "Excel record <id> is damaged" when they run past the record.
WideString ReadRecordCharacters(const TBIFFData& data, std::size_t offset, std::size_t count,
                                const TBIFFTextEncoding& encoding);

// A string from offset on whose character count may claim more than the record holds:
// the characters it does hold, Whole false when it claimed more. The count and option
// fields in front of them must be there ("Excel record <id> is damaged").
struct TRecordText {
  WideString Text;
  bool Whole = true;
};
TRecordText ReadRecordTextHeld(const TBIFFData& data, std::size_t offset, bool wideCount,
                               const TBIFFTextEncoding& encoding);

// The shared-string table of an SST record and its CONTINUE records: count strings, each
// handed to add in order. Raises "CONTINUE record is not found in the stream" when the
// records end before the strings do, and "String in SST (Options byte is 0xNN) can not be
// processed." for an option byte it does not know.
void ReadSharedStrings(TBIFFTextReader& reader, Cardinal count, const std::function<void(WideString)>& add);

extern const char* const ContinueNotFoundMessage;

}  // namespace ordvane
