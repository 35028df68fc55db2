#include "datasets/pFIBFieldsDescr.h"

#include "classlib/core/SysUtils.h"

namespace ordvane {

TFIBFieldDescr& TFIBFieldDescrList::Add(short sqlType, short scale, TFIBCharKind charKind, bool isStringSlot,
                                        bool isDBKey, bool nullable, Word dataSize) {
  TFIBFieldDescr& descr = fItems.emplace_back();
  descr.SQLType = sqlType;
  descr.Scale = scale;
  descr.CharKind = charKind;
  descr.IsStringSlot = isStringSlot;
  descr.IsDBKey = isDBKey;
  descr.Nullable = nullable;
  descr.DataSize = dataSize;
  return descr;
}

const TFIBFieldDescr& TFIBFieldDescrList::GetItem(int index) const {
  if (index < 0 || index >= GetCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return fItems[static_cast<std::size_t>(index)];
}

TFIBFieldDescr& TFIBFieldDescrList::GetItem(int index) {
  return const_cast<TFIBFieldDescr&>(static_cast<const TFIBFieldDescrList*>(this)->GetItem(index));
}

void TFIBFieldDescrList::SetCapacity(int capacity) {
  if (capacity > 0) fItems.reserve(static_cast<std::size_t>(capacity));
}

}  // namespace ordvane
