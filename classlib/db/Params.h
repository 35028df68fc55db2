#pragma once
// Parameters handed between a dataset and whoever drives it from outside (a data
// provider): each has a name, a data type and a value, the value Null when it has none.

#include <memory>
#include <vector>

#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TParam {
 public:
  TParam(AnsiString name, TFieldType dataType) : fName(std::move(name)), fDataType(dataType) {}

  const AnsiString& Name() const { return fName; }
  TFieldType DataType() const { return fDataType; }
  const Variant& Value() const { return fValue; }
  // An unassigned value counts as null, as a parameter that was never given one.
  void SetValue(const Variant& value) { fValue = value; }
  bool IsNull() const { return VarIsNull(fValue) || VarIsEmpty(fValue); }
  void Clear() { fValue = Null(); }

 private:
  AnsiString fName;
  TFieldType fDataType;
  Variant fValue = Null();
};

// The parameters in their order; each keeps its place (and its address) until Clear.
class TParams {
 public:
  int Count() const { return static_cast<int>(fItems.size()); }
  // EListError "List index out of bounds (<index>)" outside the list.
  TParam& Items(int index) const;
  TParam& operator[](int index) const { return Items(index); }
  // Appends a parameter with a null value.
  TParam& CreateParam(TFieldType dataType, const AnsiString& name);
  // By name in any letter case, as fields are found; nullptr when there is none.
  TParam* FindParam(const AnsiString& name) const;
  // EDatabaseError "Parameter '%s' not found" when there is none.
  TParam& ParamByName(const AnsiString& name) const;
  void Clear() { fItems.clear(); }

 private:
  std::vector<std::unique_ptr<TParam>> fItems;
};

}  // namespace ordvane
