// TDataSet's provider support: what a dataset that is not SQL based answers a provider.

#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

Integer TDataSet::PSExecuteStatement(const AnsiString& /*sql*/, const TParams& /*params*/) {
  DatabaseErrorFmt(dbconsts::SProviderUnsupported, {"execute a statement"}, this);
}

void TDataSet::PSSetCommandText(const AnsiString& text) {
  if (!text.empty()) DatabaseErrorFmt(dbconsts::SProviderUnsupported, {"take a command text"}, this);
}

void TDataSet::PSExecute() {
  DatabaseErrorFmt(dbconsts::SProviderUnsupported, {"execute its command"}, this);
}

EUpdateError TDataSet::PSGetUpdateException(const Exception& error, std::exception_ptr previousError) {
  return EUpdateError(error.Message(), 0, std::move(previousError));
}

void TDataSet::PSSetParams(const TParams& params) {
  if (params.Count() > 0) DatabaseErrorFmt(dbconsts::SProviderUnsupported, {"take parameters"}, this);
}

}  // namespace ordvane
