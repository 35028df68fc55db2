#pragma once
// Connection and transaction parameter blocks. A database keeps its connection
// parameters, and a transaction its transaction parameters, as text lines name=value (or
// a bare name); before attaching or starting they become the byte strings of the client
// library's published format.

#include "classlib/core/StringLists.h"
#include "classlib/core/System.h"

namespace ordvane {

// The DPB names, numbered 1 to 83 by the client library's isc_dpb_ codes, and the TPB
// names, numbered 1 to 21 by its isc_tpb_ codes.
inline constexpr int DPBConstantCount = 83;
inline constexpr int TPBConstantCount = 21;
// The code of instance_name, which the Firebird client reads as another parameter.
inline constexpr int DPBInstanceNameCode = 75;
// The table name of a code ("user_name" for 28); empty outside the table.
AnsiString DPBConstantName(int code);
AnsiString TPBConstantName(int code);

// The largest block the client library takes: its length travels as a signed 16-bit number.
inline constexpr int MaxParamBlockLength = 0x7FFF;

// Builds the DPB of the lines into dpb and its length. Every line is first trimmed of
// characters below 33 (written back into the list when that changes it); empty lines
// are skipped; a line is split at its first "=", its name lower-cased (ASCII) and
// stripped of an "isc_dpb_" prefix.
//
// Numbers (num_buffers, connect_timeout, ...) are written as one byte when they lie in
// 0..255 and otherwise as a 4-byte little-endian integer with its length, which the
// client reads as well; sweep_interval always takes four bytes. A value that is no
// integer raises the class library's conversion error. Texts (user_name, lc_ctype, ...)
// are written with a one-byte length: a text over 255 bytes raises EFIBClientError.
// Unsupported names raise error 8 (instance_name among them: the client library would
// read its code as a different parameter), unknown ones error 9, a block over
// MaxParamBlockLength bytes a client error. Nothing is written to dpb on failure.
void GenerateDPB(TStrings& params, AnsiString& dpb, SmallInt& dpbLength);

// Builds the TPB: empty with length 0 for a list without lines, else the version byte 3
// followed by one entry per non-empty line in line order. Unsupported names raise
// error 10, unknown ones error 11; a lock_read/lock_write table name over 255 bytes and a
// block over MaxParamBlockLength bytes raise client errors.
void GenerateTPB(TStrings& params, AnsiString& tpb, SmallInt& tpbLength);

}  // namespace ordvane
