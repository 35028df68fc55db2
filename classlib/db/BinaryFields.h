#pragma once
// Byte fields and blob fields.
//
// Bytes and var-bytes fields hold their bytes in the record; their text is the class
// description, "(Bytes)" when null and "(BYTES)" otherwise, and AsString gives the raw
// bytes. Blob fields hold nothing in the record: their data goes through the dataset's
// blob streams (CreateBlobStream).

#include <memory>

#include "classlib/core/Streams.h"
#include "classlib/db/Fields.h"

namespace ordvane {

class TBinaryField : public TField {
  ORDVANE_CLASS(TBinaryField, TField)

 public:
  // The bytes of the text; longer data is cut to Size bytes.
  void SetAsString(const AnsiString& value) override;

 protected:
  TBinaryField(TComponent* owner, TFieldType type, Integer size);
  // 1 .. 65535.
  void CheckTypeSize(Integer size) const override;
  AnsiString GetAsString() override;
  // A byte array, or Null.
  Variant GetAsVariant() override;
  // A byte array or text.
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) override;

  // The stored bytes, false when null.
  virtual bool ReadBytes(RawByteString& bytes) = 0;
  virtual void WriteBytes(const RawByteString& bytes) = 0;
  // "Bytes", "VarBytes": the class description shown as text.
  virtual const char* ClassDescription() const = 0;
};

class TBytesField : public TBinaryField {
  ORDVANE_CLASS(TBytesField, TBinaryField)

 public:
  explicit TBytesField(TComponent* owner);

 protected:
  Integer GetDataSize() const override { return Size(); }
  bool ReadBytes(RawByteString& bytes) override;
  // Shorter data is padded with zero bytes.
  void WriteBytes(const RawByteString& bytes) override;
  const char* ClassDescription() const override { return "Bytes"; }
};

class TVarBytesField : public TBinaryField {
  ORDVANE_CLASS(TVarBytesField, TBinaryField)

 public:
  explicit TVarBytesField(TComponent* owner);

 protected:
  Integer GetDataSize() const override { return Size() + 2; }
  // A stored length beyond Size is read as Size.
  bool ReadBytes(RawByteString& bytes) override;
  void WriteBytes(const RawByteString& bytes) override;
  const char* ClassDescription() const override { return "VarBytes"; }
};

class TBlobField : public TField {
  ORDVANE_CLASS(TBlobField, TField)

 public:
  explicit TBlobField(TComponent* owner);

  bool IsBlob() const override { return true; }
  // Set when the field is written through it.
  bool Modified() const { return fModified; }
  void SetModified(bool value) { fModified = value; }

  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream);
  void SetAsString(const AnsiString& value) override;

 protected:
  TBlobField(TComponent* owner, TFieldType type);
  // 0 or more.
  void CheckTypeSize(Integer size) const override;
  AnsiString GetAsString() override;
  Variant GetAsVariant() override;
  void SetVarValue(const Variant& value) override;
  // The class description: "(Blob)" when null, "(BLOB)" otherwise ("Memo", "Graphic").
  void GetText(AnsiString& text, bool displayText) override;

 private:
  std::unique_ptr<TStream> OpenBlob(TBlobStreamMode mode);
  bool fModified = false;
};

class TMemoField : public TBlobField {
  ORDVANE_CLASS(TMemoField, TBlobField)

 public:
  explicit TMemoField(TComponent* owner);
};

class TGraphicField : public TBlobField {
  ORDVANE_CLASS(TGraphicField, TBlobField)

 public:
  explicit TGraphicField(TComponent* owner);
};

}  // namespace ordvane
