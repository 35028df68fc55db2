#include "classlib/db/Params.h"

#include "classlib/core/AnsiStrings.h"
#include "classlib/db/DBConsts.h"

namespace ordvane {

TParam& TParams::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return *fItems[static_cast<std::size_t>(index)];
}

TParam& TParams::CreateParam(TFieldType dataType, const AnsiString& name) {
  return *fItems.emplace_back(std::make_unique<TParam>(name, dataType));
}

TParam* TParams::FindParam(const AnsiString& name) const {
  for (const std::unique_ptr<TParam>& param : fItems)
    if (AnsiSameText(param->Name(), name)) return param.get();
  return nullptr;
}

TParam& TParams::ParamByName(const AnsiString& name) const {
  TParam* param = FindParam(name);
  if (param == nullptr) DatabaseErrorFmt(dbconsts::SParameterNotFound, {name});
  return *param;
}

}  // namespace ordvane
