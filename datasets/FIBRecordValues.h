#pragma once
// One column of a fetched row into a dataset's record buffer, at the place its descriptor
// gives: the client API's dates, times and time stamps as the class library counts them,
// text into string areas, and the columns of another statement converted into the
// select column's layout.

#include "datasets/pFIBFieldsDescr.h"
#include "dbclient/FIBXSQLDA.h"

namespace ordvane {

// Firebird 3 reports BOOLEAN as this type, one byte long; a record lays it out as the
// two-byte type 590.
inline constexpr short SQLBooleanFB3 = 32764;
inline constexpr short SQLBooleanLayout = 590;
inline constexpr Integer CharSetOctets = 1;

// The type a record uses for a column's client-API type.
short LayoutType(short sqlType);
bool IsTextType(short sqlType);
bool IsDBKeyName(const AnsiString& name);
// Bytes a value of the layout type takes; text, blobs and arrays their declared length.
Integer LayoutDataSize(short layoutType, Integer declaredLength);

// A string area: its 32-bit length (at most the area's size), the characters, a zero byte
// after them when they are shorter; with trim (and not binary) without trailing blanks.
void StoreStringArea(Byte* record, const TFIBFieldDescr& descr, const char* chars, std::size_t length, bool trim);

// The column's value at its descriptor's place. convert: the column is described
// otherwise than the descriptor's (another statement's): its value goes through the
// client's typed getters, and a value that does not convert raises. int64AsDouble: a
// 64-bit column is kept as a double.
void StoreColumnValue(const TFIBXSQLVAR& column, const TFIBFieldDescr& descr, bool convert, bool int64AsDouble,
                      Byte* record);

}  // namespace ordvane
