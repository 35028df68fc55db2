#pragma once
// Columns and parameters of a statement. The client describes a statement's input
// parameters and output columns in XSQLDA blocks of XSQLVAR records; TFIBXSQLVAR wraps one
// record and gives typed access to its value, TFIBXSQLDA is the list of them with lookup
// by name. Every value that reaches the server or comes from it passes through the
// conversions of this unit.

#include <ibase.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "classlib/core/FMTBcd.h"
#include "classlib/core/GUID.h"
#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"
#include "dbclient/pFIBArray.h"

namespace ordvane {

class TFIBXSQLDA;

// Where a parameter or macro stands in its statement's text, as the parameter scan found
// it, and how the rebuild of the text treats it.
struct TFIBParamPlace {
  int Start = 0;  // 1-based position of the marker (':', '?' or the macro character)
  int End = 0;    // position of the name's last character
  bool IsMacro = false;
  bool IsQuotedMacro = false;  // its value is spliced in as a quoted string
  bool InWhere = false;        // it stands inside a WHERE clause
  bool IsOperand = false;      // no arithmetic or concatenation operator follows it
};

// What the lists of a statement ask of the statement and of its connection. The statement
// answers for its connection, so that the conversions follow the connection's dialect
// and character set.
class IFIBXSQLDAOwner {
 public:
  virtual ~IFIBXSQLDAOwner() = default;

  // The connection.
  virtual bool HasDatabase() const = 0;
  virtual Integer SQLDialect() const = 0;
  virtual bool UpperOldNames() const = 0;
  virtual bool IsUnicodeCharSet() const = 0;
  virtual bool IsUnicodeOrNoneCharSet() const = 0;
  virtual bool IsKOI8CharSet() const = 0;
  virtual bool IsFB21UnicodeOrNone() const = 0;
  // Whether a character-set id is one of the connection's Unicode sets.
  virtual bool IsUnicodeCharSetID(Integer charSetID) const = 0;

  // The statement.
  virtual AnsiString FullName() const = 0;
  virtual bool TrimCharFields() const = 0;
  // True once the columns hold a row: a record was fetched or a procedure executed.
  virtual bool ColumnValuesPresent() const = 0;
  // A parameter now holds a value that must be written as a blob before execution.
  virtual void SetHasPendingBlobs() = 0;
  // The whole text of a blob column of the current row.
  virtual AnsiString ReadBlobText(const ISC_QUAD& blobID, Integer subType, Integer charSetID) = 0;
  // The connection array slices are read and written through.
  virtual TFIBArrayContext ArrayContext() = 0;
};

// ISC dates count days since 17 November 1858, ISC times tenths of milliseconds since
// midnight; the values here keep whole milliseconds.
inline constexpr Integer IscDateToTimeStampDate = 678576;
inline constexpr Integer IscDateToDateTime = 15018;

// The bit of an XSQLVAR's sqltype that marks the value nullable, with an indicator.
inline constexpr short SQLNullableBit = 1;

class TFIBXSQLVAR {
 public:
  TFIBXSQLVAR(const TFIBXSQLVAR&) = delete;
  TFIBXSQLVAR& operator=(const TFIBXSQLVAR&) = delete;
  ~TFIBXSQLVAR();

  int Index() const { return fIndex; }
  const AnsiString& Name() const { return fName; }
  // Set by every setter, cleared by TFIBXSQLDA::ClearModified.
  bool Modified() const { return fModified; }
  TFIBXSQLDA& List() const { return fList; }

  // Readers. A null value reads as the type's zero (or an empty text); a conversion the
  // type does not allow raises client error 33.
  AnsiString GetAsString() const;
  WideString GetAsWideString() const;
  Integer GetAsLong() const;
  Int64 GetAsInt64() const;
  double GetAsDouble() const;
  double GetAsFloat() const { return GetAsDouble(); }
  Extended GetAsExtended() const;
  Currency GetAsCurrency() const;
  TBcd GetAsBcd() const;
  TDateTime GetAsDateTime() const;
  TTimeStamp GetAsTimeStamp() const;
  ISC_QUAD GetAsQuad() const;
  bool GetAsBoolean() const;
  TGUID GetAsGuid() const;
  Variant GetAsVariant() const;

  bool GetIsNull() const;
  // Whether the client API's description marks the value it holds null: a nullable one
  // with a negative indicator, or one of no type. GetIsNull of a row's column once the row
  // is there, without a pending blob.
  // Inline: a fetch asks it of every column of every row.
  static bool IsNullIn(const XSQLVAR& var) {
    if ((var.sqltype & SQLNullableBit) != 0 && var.sqlind != nullptr && *var.sqlind < 0) return true;
    const auto type = static_cast<short>(var.sqltype & ~SQLNullableBit);
    return type == 0 || type == SQL_NULL;
  }
  bool GetIsNullable() const;
  // The record's type without the nullable bit, scale, sub-type and length.
  short GetSQLType() const;
  short GetSQLScale() const;
  short GetSQLSubtype() const;
  short GetSize() const;
  // The server's description (the record's own values before the first description).
  short GetServerSQLType() const;
  short GetServerSQLScale() const;
  short GetServerSQLSubtype() const;
  AnsiString GetSqlName() const;
  AnsiString GetRelationName() const;
  XSQLVAR* GetData() const;
  bool IsParam() const;
  bool IsBlob() const;
  bool IsArray() const;

  // Array columns. The descriptor is dropped by every new description.
  const TpFIBArray* FIBArray() const { return fFIBArray.get(); }
  void SetFIBArray(std::shared_ptr<const TpFIBArray> descriptor) { fFIBArray = std::move(descriptor); }
  // The variable becomes a null ARRAY (zero id).
  void MakeNullArray();
  // Client error 59 unless the variable is an ARRAY with a descriptor.
  void CheckIsArray() const;
  Integer GetArraySize() const;
  // Writes the value as a new slice and keeps the new array's id as the value.
  void SetArrayValue(const Variant& value);

  // Writers. Each applies to every variable registered under the same name (a parameter
  // that occurs twice in the text is set once) and marks them changed.
  void SetAsLong(Integer value);
  void SetAsShort(SmallInt value);
  void SetAsBoolean(bool value);
  void SetAsInt64(Int64 value);
  void SetAsDouble(double value);
  void SetAsFloat(double value) { SetAsDouble(value); }
  void SetAsCurrency(Currency value);
  void SetAsExtended(Extended value);
  void SetAsBcd(const TBcd& value);
  // The number digits / 10^places, as SetAsBcd writes the BCD of those digits and places.
  void SetAsScaledInt64(Int64 digits, int places);
  void SetAsTimeStamp(const TTimeStamp& value);
  void SetAsDateTime(TDateTime value);
  void SetAsTime(TDateTime value);
  void SetAsDate(TDateTime value);
  void SetAsQuad(const ISC_QUAD& value);
  void SetAsGuid(const TGUID& value);
  void SetAsString(const AnsiString& value) { SetAsStringEx(value, false); }
  void SetAsWideString(const WideString& value) { SetAsStringEx(value, false); }
  // Text to a parameter; afterDescribe converts a value given before the parameter's
  // type was known.
  void SetAsStringEx(const AnsiString& value, bool afterDescribe);
  void SetAsStringEx(const WideString& value, bool afterDescribe);
  // Text already in the connection's character set (as a dataset's record holds it): sent
  // as it is, never converted a second time.
  void SetAsConnectionText(std::string_view bytes);
  void SetAsVariant(const Variant& value);
  // The whole of the stream, from its start, becomes the value to write as a blob.
  void LoadFromStream(TStream& stream);
  void SetIsNull(bool value);
  void Clear() { SetIsNull(true); }
  void SetIsNullable(bool value);
  void SetSQLScale(short value);
  // Copies type, scale, sub-type, length, null indicator and data of another record.
  void SetAsXSQLVAR(const XSQLVAR& source);
  // Copies type, scale, null flag and value of another variable.
  void Assign(const TFIBXSQLVAR& source);

  // Takes the description the server gave the namesake in another list (the statement's
  // own parameters), keeping this variable's value.
  void TakeServerDescription(const TFIBXSQLVAR& server);

  // The value waiting to be written as a blob, or nullptr.
  TMemoryStream* PendingBlob() const { return fPendingBlob.get(); }
  void DropPendingBlob() { fPendingBlob.reset(); }

  // The place of a parameter in its statement's text (user and server parameter lists).
  const TFIBParamPlace& Place() const { return fPlace; }
  void SetPlace(const TFIBParamPlace& place) { fPlace = place; }
  // The value the text was last built or executed with (Unassigned before the first).
  const Variant& SavedValue() const { return fSavedValue; }
  void SetSavedValue(const Variant& value) { fSavedValue = value; }
  // Keeps the current value as the saved one.
  void SaveValue() { fSavedValue = GetAsVariant(); }

  // Back to the state of a variable never used: no type, no value, no place.
  void Reset();
  // Takes over everything of another variable (of any list) but its name: description,
  // value, pending blob, place and saved value.
  void CopyState(const TFIBXSQLVAR& source);

 private:
  friend class TFIBXSQLDA;
  TFIBXSQLVAR(TFIBXSQLDA& list, int index);

  XSQLVAR& Var() const;
  IFIBXSQLDAOwner* Owner() const;
  Integer Dialect() const;
  // The value's bytes as the record describes them.
  template <class T>
  T Read() const;
  std::string_view RawText() const;
  Int64 ScaledInteger() const;
  Integer CharSetID() const { return GetSQLSubtype() & 0xFF; }
  bool TextNeedsUtf8(Integer charSetID) const;
  bool TextBlobNeedsUtf8() const;
  // The character set UTF-8 text parameters are marked with.
  short Utf8TextCharSet() const;
  // The parameter is a BLOB SUB_TYPE TEXT.
  bool IsTextBlobTarget() const;
  bool SendsKOI8() const;
  RawByteString ExactText(std::u16string_view text, Cardinal codePage) const;
  AnsiString FixedWidthText(AnsiString text) const;
  AnsiString TextOfBlob() const;

  // The single writer: apply runs on every namesake, which is then marked changed.
  template <class F>
  void ForEachNamesake(F&& apply);
  // Replaces this record's value (kind "value" of the writer).
  void StoreValue(short type, const void* data, std::size_t length);
  // Whether program text for this parameter goes as UTF-8.
  bool SendsUtf8(bool wide, bool afterDescribe) const;
  void StoreText(const AnsiString* ansi, const WideString* wide, bool afterDescribe);
  // bytes are already in the encoding the parameter is sent in.
  void StoreEncodedText(std::string_view bytes, bool utf8, bool wide);
  void CheckTextFits(std::string_view bytes, bool utf8) const;
  void StoreUndescribedText(const AnsiString* ansi, const WideString* wide);
  void StorePendingBlob(std::string_view bytes);
  void ApplyNull(bool value);
  void ApplyNullable(bool value);
  void AllocateData(std::size_t length);
  void AllocateForDescription();
  void TakeDescription();
  void ConvertPendingValue();

  TFIBXSQLDA& fList;
  int fIndex;
  AnsiString fName;
  // The indexes of the records named fName, as of the list's names version: every
  // parameter of every row is written through them.
  std::vector<int> fNamesakes;
  std::uint64_t fNamesakesVersion = 0;
  short fServerSQLType = 0;
  short fServerSQLScale = 0;
  short fServerSQLSubtype = 0;
  short fServerSQLLen = 0;
  bool fDescribed = false;
  bool fModified = false;
  bool fTypeUnknownWhenSet = false;
  std::unique_ptr<TMemoryStream> fPendingBlob;
  // Shared with the copies CopyState makes: a descriptor never changes once made.
  std::shared_ptr<const TpFIBArray> fFIBArray;
  std::vector<char> fData;
  ISC_SHORT fNullIndicator = 0;
  TFIBParamPlace fPlace;
  Variant fSavedValue;
};

class TFIBXSQLDA {
 public:
  // owner may be nullptr for a list that belongs to no statement.
  TFIBXSQLDA(IFIBXSQLDAOwner* owner, bool isParams);
  ~TFIBXSQLDA();
  TFIBXSQLDA(const TFIBXSQLDA&) = delete;
  TFIBXSQLDA& operator=(const TFIBXSQLDA&) = delete;

  // Empties the names; grows the block (never shrinks it) and creates the variables.
  void SetCount(int count);
  int Count() const { return fCount; }
  // Client error 23 outside 0 .. Count - 1.
  TFIBXSQLVAR& GetVars(int index) const {
    if (index < 0 || index >= fCount) [[unlikely]]
      IndexOutOfRange();
    return *fVars[static_cast<std::size_t>(index)];
  }
  TFIBXSQLVAR& operator[](int index) const { return GetVars(index); }
  // Changes with every change of the names, and no two lists ever share one: what was
  // resolved from the names holds while it stays the same.
  std::uint64_t NamesVersion() const { return fNamesVersion; }
  // nullptr when no variable has the name.
  TFIBXSQLVAR* ByName(const AnsiString& name);
  TFIBXSQLVAR* GetByName(const AnsiString& name) { return ByName(name); }
  // Registers a name for the variable at index; upper-cased (ASCII) unless exact.
  void AddName(const AnsiString& name, int index, bool exact);
  // Every variable of source that has a namesake here gives it its value.
  void AssignValues(const TFIBXSQLDA& source);
  // Every variable becomes null.
  void ClearValues();
  void ClearModified();
  // Converts again the values set before the parameters' types were known.
  void ConvertPendingValues();
  bool HasPendingConversions() const { return fHasPendingConversions; }
  // Run after the client filled the block: keeps the server's description, names the
  // variables and allocates their buffers.
  void SetupAfterDescribe();

  bool IsParams() const { return fIsParams; }
  IFIBXSQLDAOwner* Owner() const { return fOwner; }
  // The block handed to the client; nullptr before the first SetCount with a count.
  XSQLDA* AsXSQLDA();

 private:
  friend class TFIBXSQLVAR;
  [[noreturn]] static void IndexOutOfRange();
  XSQLVAR& Record(int index);
  AnsiString NormalizedName(const AnsiString& name) const;
  AnsiString DecodedAlias(const XSQLVAR& var) const;
  bool NameTaken(const AnsiString& name) const { return fNames.contains(name); }
  AnsiString UniqueName(const AnsiString& base) const;
  void NameFromDescription();
  void RegisterName(const AnsiString& name, int index);

  IFIBXSQLDAOwner* fOwner;
  bool fIsParams;
  int fCount = 0;
  int fAllocated = 0;
  std::vector<std::byte> fBlock;
  std::vector<std::unique_ptr<TFIBXSQLVAR>> fVars;
  std::multimap<AnsiString, int> fNames;
  std::uint64_t fNamesVersion;  // see NamesVersion
  std::map<AnsiString, TFIBXSQLVAR*> fLookupCache;
  bool fHasPendingConversions = false;
};

}  // namespace ordvane
