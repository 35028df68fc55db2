#include "classlib/db/BinaryFields.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

using namespace dbconsts;

namespace {

Variant ByteArrayOf(const RawByteString& bytes) {
  Variant array = VarArrayCreate({0, static_cast<Integer>(bytes.size()) - 1}, varByte);
  if (!bytes.empty()) {
    std::memcpy(VarArrayLock(array), bytes.data(), bytes.size());
    VarArrayUnlock(array);
  }
  return array;
}

// The bytes of a byte array (each element 0 .. 255), or of the value's text.
RawByteString BytesOf(const Variant& value) {
  if (!VarIsArray(value)) return VarToStr(value);
  RawByteString bytes;
  for (Integer i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i) {
    const Integer element = VarArrayGet(value, {i}).AsInteger();
    if (element < 0 || element > 255) throw ERangeError("Range check error");
    bytes.push_back(static_cast<char>(element));
  }
  return bytes;
}

AnsiString ClassText(const char* description, bool isNull) {
  const AnsiString text = description;
  return "(" + (isNull ? text : UpperCase(text)) + ")";
}

}  // namespace

// --- TBinaryField --------------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent* owner, TFieldType type, Integer size) : TField(owner) {
  SetDataType(type);
  SetSize(size);
}

void TBinaryField::CheckTypeSize(Integer size) const {
  if (size < 1 || size > 65535) DatabaseError(SInvalidFieldSize);
}

AnsiString TBinaryField::GetAsString() {
  RawByteString bytes;
  ReadBytes(bytes);
  return bytes;
}

Variant TBinaryField::GetAsVariant() {
  RawByteString bytes;
  return ReadBytes(bytes) ? ByteArrayOf(bytes) : Null();
}

void TBinaryField::SetAsString(const AnsiString& value) { WriteBytes(value); }

void TBinaryField::SetVarValue(const Variant& value) { WriteBytes(BytesOf(value)); }

void TBinaryField::GetText(AnsiString& text, bool /*displayText*/) { text = ClassText(ClassDescription(), IsNull()); }

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes, 16) {}

bool TBytesField::ReadBytes(RawByteString& bytes) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()));
  if (!ReadNative(buffer.data())) return false;
  bytes.assign(buffer.data(), buffer.size());
  return true;
}

void TBytesField::WriteBytes(const RawByteString& bytes) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
  std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));
  SetData(buffer.data());
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner, ftVarBytes, 16) {}

bool TVarBytesField::ReadBytes(RawByteString& bytes) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()));
  if (!ReadNative(buffer.data())) return false;
  Word length = 0;
  std::memcpy(&length, buffer.data(), sizeof length);
  bytes.assign(buffer.data() + 2, std::min<std::size_t>(length, static_cast<std::size_t>(Size())));
  return true;
}

void TVarBytesField::WriteBytes(const RawByteString& bytes) {
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
  const auto length = static_cast<Word>(std::min(bytes.size(), static_cast<std::size_t>(Size())));
  std::memcpy(buffer.data(), &length, sizeof length);
  std::memcpy(buffer.data() + 2, bytes.data(), length);
  SetData(buffer.data());
}

// --- TBlobField ----------------------------------------------------------------------------

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) { SetDataType(type); }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}

void TBlobField::CheckTypeSize(Integer size) const {
  if (size < 0) DatabaseError(SInvalidFieldSize);
}

std::unique_ptr<TStream> TBlobField::OpenBlob(TBlobStreamMode mode) {
  if (DataSet() == nullptr) DatabaseErrorFmt(SFieldNoDataSet, {DisplayName()});
  if (mode != bmRead) CheckWritable();
  return DataSet()->CreateBlobStream(this, mode);
}

AnsiString TBlobField::GetAsString() {
  const std::unique_ptr<TStream> stream = OpenBlob(bmRead);
  AnsiString data(static_cast<std::size_t>(stream->Size()), '\0');
  stream->ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  return data;
}

void TBlobField::SetAsString(const AnsiString& value) {
  const std::unique_ptr<TStream> stream = OpenBlob(bmWrite);
  stream->WriteBuffer(value.data(), static_cast<Int64>(value.size()));
  fModified = true;
  stream->Flush();
}

void TBlobField::LoadFromStream(TStream* stream) {
  const std::unique_ptr<TStream> blob = OpenBlob(bmWrite);
  blob->CopyFrom(stream, 0);
  fModified = true;
  blob->Flush();
}

void TBlobField::SaveToStream(TStream* stream) {
  const std::unique_ptr<TStream> blob = OpenBlob(bmRead);
  stream->CopyFrom(blob.get(), 0);
}

Variant TBlobField::GetAsVariant() {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& value) { SetAsString(BytesOf(value)); }

void TBlobField::GetText(AnsiString& text, bool /*displayText*/) {
  const char* description = "Blob";
  if (DataType() == ftMemo) description = "Memo";
  if (DataType() == ftGraphic) description = "Graphic";
  text = ClassText(description, IsNull());
}

}  // namespace ordvane
