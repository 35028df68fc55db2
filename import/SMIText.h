#pragma once
// Text routines of the import: Base64 of BLOB text, source text in the DOS or EBCDIC code
// pages, and the name of the table a dataset reads.

#include "classlib/core/Objects.h"

namespace ordvane {

// Base64 of the standard alphabet, taken in groups of four characters; "=" ends a group
// early (in the third place one byte, in the fourth two, in the first none), and a last
// group shorter than four is ignored. Characters outside the alphabet (line breaks of
// wrapped text, for one) are passed over.
RawByteString DecodeBase64(std::string_view text);

// DOS text (code page 866) in the ANSI code page, character for character.
AnsiString OemToAnsi(std::string_view text);

// EBCDIC text in the ANSI code page: each code goes back to the ANSI character that the
// import's EBCDIC table maps to it (the table: ANSI 0 to 31 unchanged, 32 to 126 as IBM code
// page 037 writes them but for [ ] ^ ` | at 0xAD 0xBD 0x5F 0x7D 0x6A, all others at 0x4B).
// A code the table does not reach is read as code page 037 reads it.
AnsiString EbcdicToAnsi(std::string_view text);

// The table named in a select text: the word after FROM, up to a blank, line break, comma,
// semicolon or parenthesis, and before its first "."; empty without a FROM.
AnsiString TableNameFromSQL(const AnsiString& sql);
// The table a dataset reads, from its published properties: TableName, else CommandText,
// else the select text of SQL, else of SelectSQL; before the first ".". Empty for no
// dataset.
AnsiString DataSetTableName(const TObject* dataSet);

}  // namespace ordvane
