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

void TFIBFieldDescrList::IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TFIBFieldDescrList::SetCapacity(int capacity) {
  if (capacity > 0) fItems.reserve(static_cast<std::size_t>(capacity));
}

}  // namespace ordvane
