#pragma once
// Array columns. A column of type ARRAY holds only the id of an array that lives on the
// server; its elements are read and written as one slice. TpFIBArray is the description
// of one such column (element type, scale, length and bounds, asked of the server once)
// and converts between a slice and a variant array.

#include <ibase.h>

#include <vector>

#include "classlib/core/Objects.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/IB_Intf.h"

namespace ordvane {

class TField;

// The connection a slice is read or written through.
struct TFIBArrayContext {
  IIBClientLibraryPtr Library;
  isc_db_handle* DBHandle = nullptr;
  isc_tr_handle* TRHandle = nullptr;
};

class TpFIBArray : public TObject {
  ORDVANE_CLASS(TpFIBArray, TObject)

 public:
  // Asks the server for the column's array description. A name longer than the client's
  // 31 characters, or a column that is no array, raises client error 59; a server error
  // raises it.
  TpFIBArray(IIBClientLibraryPtr clientLibrary, isc_db_handle* dbHandle, isc_tr_handle* trHandle,
             const AnsiString& relationName, const AnsiString& fieldName);
  ~TpFIBArray() override;

  TFieldType FieldType() const { return fFieldType; }
  const AnsiString& RelationName() const { return fRelationName; }
  const AnsiString& FieldName() const { return fFieldName; }
  const ISC_ARRAY_DESC& Descriptor() const { return fDescriptor; }
  // The element's type code as the client reports it (blr_long, blr_varying, ...).
  int ElementType() const { return fDescriptor.array_desc_dtype; }
  // Decimal places of a scaled element.
  Byte GetScale() const { return static_cast<Byte>(-fDescriptor.array_desc_scale); }
  int DimensionCount() const { return fDescriptor.array_desc_dimensions; }
  // The bounds of a dimension counted from 0; client error 60 outside the dimensions.
  ISC_ARRAY_BOUND GetBounds(int dimension) const;

  // Bytes of one element in a slice: the element length, plus 2 for a VARYING element.
  static Integer ElementSize(const ISC_ARRAY_DESC& descriptor);
  static Integer SliceSize(const ISC_ARRAY_DESC& descriptor);
  Integer GetSliceSize() const { return SliceSize(fDescriptor); }

  // The array as a variant array over the column's bounds, of Variant elements. A server
  // error raises it.
  Variant GetSliceAsVariant(ISC_QUAD arrayID, isc_db_handle* dbHandle, isc_tr_handle* trHandle) const;
  // The elements of value, in the order of VarArrayForEach, into a zero-filled slice.
  // More dimensions than the column's raise client error 60; more elements than the slice
  // holds, a text longer than the element or a number the element cannot hold raise
  // client error 33.
  void VariantToSlice(const Variant& value, std::vector<char>& buffer) const;
  // Writes a slice (of GetSliceSize bytes at least); arrayID becomes the new array's id.
  void PutSlice(std::vector<char>& buffer, ISC_QUAD& arrayID, isc_db_handle* dbHandle,
                isc_tr_handle* trHandle) const;
  void SetArrayValues(const Variant& value, ISC_QUAD& arrayID, isc_db_handle* dbHandle,
                      isc_tr_handle* trHandle) const;

  // The same through a dataset field that holds the 8-byte id.
  Variant GetFieldArrayValues(TField& field, isc_db_handle* dbHandle, isc_tr_handle* trHandle) const;
  void SetFieldArrayValues(const Variant& value, TField& field, isc_db_handle* dbHandle,
                           isc_tr_handle* trHandle) const;

 private:
  AnsiString QualifiedName() const;
  [[noreturn]] void RaiseServerError() const;
  std::vector<Integer> VariantBounds() const;
  Variant ReadElement(const char* slot) const;
  void WriteElement(const Variant& element, char* slot) const;

  IIBClientLibraryPtr fLibrary;
  AnsiString fRelationName;
  AnsiString fFieldName;
  TFieldType fFieldType = ftUnknown;
  ISC_ARRAY_DESC fDescriptor{};
};

}  // namespace ordvane
