#include "classlib/db/DBStreaming.h"

#include <mutex>

#include "classlib/core/Filer.h"
#include "classlib/db/DataSet.h"
#include "classlib/db/DataSource.h"

namespace ordvane {

void RegisterDBStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass<TDataSource>();
    StoredProperties<TDataSource>()
        .Boolean("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true)
        .Reference<TDataSet>("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
        .Boolean("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true);
  });
}

}  // namespace ordvane
