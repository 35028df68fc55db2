#pragma once
// What a data provider asks of the dataset it publishes: the command behind it, its key
// fields and table, its parameters, its transaction, and the application of one changed
// record. Every dataset answers (TDataSet neutrally: no command, no key fields, not SQL
// based); a dataset over SQL answers for itself.

#include <exception>

#include "classlib/db/DBTypes.h"
#include "classlib/db/Params.h"

namespace ordvane {

class TDataSet;

// A change that could not be applied: the message of what refused it, its error code (a
// server's SQL code; 0 when it has none) and the error an earlier change of the same apply
// ended in, if any.
class EUpdateError : public EDatabaseError {
 public:
  EUpdateError(const AnsiString& message, Integer errorCode, std::exception_ptr previousError)
      : EDatabaseError(message), fErrorCode(errorCode), fPreviousError(std::move(previousError)) {}

  Integer ErrorCode() const { return fErrorCode; }
  const std::exception_ptr& PreviousError() const { return fPreviousError; }

 private:
  Integer fErrorCode;
  std::exception_ptr fPreviousError;
};

class IProviderSupport {
 public:
  // Runs the text with the parameters given in their order; answers the rows it changed.
  virtual Integer PSExecuteStatement(const AnsiString& sql, const TParams& params) = 0;
  virtual AnsiString PSGetCommandText() = 0;
  // ";"-separated; empty when unknown.
  virtual AnsiString PSGetKeyFields() = 0;
  // The character that quotes identifiers in the command's language; empty for none.
  virtual AnsiString PSGetQuoteChar() = 0;
  // The table the changes go to; empty when unknown.
  virtual AnsiString PSGetTableName() = 0;
  virtual void PSSetCommandText(const AnsiString& text) = 0;
  // Commits (or rolls back) what the changes were written in.
  virtual void PSEndTransaction(bool commit) = 0;
  // Runs the command itself.
  virtual void PSExecute() = 0;
  // The command's parameters with their values, owned by the dataset; nullptr for none.
  virtual TParams* PSGetParams() = 0;
  // The error a failed change is reported with.
  virtual EUpdateError PSGetUpdateException(const Exception& error, std::exception_ptr previousError) = 0;
  virtual bool PSInTransaction() = 0;
  virtual bool PSIsSQLBased() = 0;
  virtual bool PSIsSQLSupported() = 0;
  // Ready for the provider to read the records from the start.
  virtual void PSReset() = 0;
  virtual void PSSetParams(const TParams& params) = 0;
  virtual void PSStartTransaction() = 0;
  // Applies one changed record: the delta's current record, each of whose fields answers
  // NewValue (unassigned when the change left it as it was) and OldValue. False when the
  // dataset did not apply it and leaves it to the provider.
  virtual bool PSUpdateRecord(TUpdateKind updateKind, TDataSet& delta) = 0;

 protected:
  ~IProviderSupport() = default;
};

}  // namespace ordvane
