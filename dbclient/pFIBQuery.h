#pragma once
// The statements an application places on its forms: TpFIBQuery, whose execution errors
// go to an event that may retry the statement; TpFIBStoredProc, which builds its own
// EXECUTE PROCEDURE text from a procedure name and the procedure's declared inputs; and
// TpFIBUpdateObject, an extra statement to run around a dataset's own changes.

#include "classlib/core/Events.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/fib.h"

namespace ordvane {

class TpFIBQuery;

// The handler may change action: daFail passes the error on, daAbort turns it into the
// silent abort, daRetry executes the statement again.
using TFIBQueryErrorEvent = TEvent<void(TpFIBQuery* pFIBQuery, EFIBError& E, TDataAction& Action)>;

class TpFIBQuery : public TFIBQuery {
  ORDVANE_CLASS(TpFIBQuery, TFIBQuery)

 public:
  explicit TpFIBQuery(TComponent* owner) : TFIBQuery(owner) {}

  const AnsiString& Description() const { return fDescription; }
  void SetDescription(const AnsiString& value) { fDescription = value; }
  // "Internal" and the library version; read-only.
  AnsiString About() const { return "Internal " + DBClientVersionText(); }

  TFIBQueryErrorEvent OnExecuteError;

  // Runs the statement for as long as OnExecuteError answers daRetry to its errors.
  void ExecQuery() override;
  // Executes only an EXECUTE PROCEDURE text; any other text is left alone.
  void ExecProcedureCall();

 private:
  AnsiString fDescription;
};

class TpFIBStoredProc : public TpFIBQuery {
  ORDVANE_CLASS(TpFIBStoredProc, TpFIBQuery)

 public:
  explicit TpFIBStoredProc(TComponent* owner) : TpFIBQuery(owner) {}

  const AnsiString& StoredProcName() const { return fStoredProcName; }
  // Normalises the name by the database's rules and makes the SQL text the call of that
  // procedure with its inputs as named parameters. Without a database (or while loading)
  // only the name is kept; an empty or blank name clears the SQL text.
  void SetStoredProcName(const AnsiString& value);
  // A statement without text takes the call of its procedure on the new database.
  void SetDatabase(TFIBDatabase* value) override;

 private:
  AnsiString NormalizedProcName(const AnsiString& name) const;

  AnsiString fStoredProcName;
};

// The declared inputs of a procedure as the parameters of its call, "(?IN1, ?IN2)", empty
// for none; read in a transaction of its own, the name going to the server as a
// parameter (without enclosing quotes; trimmed and upper-cased in dialect 1).
AnsiString ProcedureInputList(TFIBDatabase& database, const AnsiString& procedureName);
// "EXECUTE PROCEDURE " + name + " " + the input list.
AnsiString ExecProcedureText(const AnsiString& procedureName, const AnsiString& inputList);

// Whether an update object runs before or after the dataset's own statement.
enum TFIBOrderExecUO { oeBeforeDefault = 0, oeAfterDefault = 1 };

class TpFIBUpdateObject;

// A dataset that files update objects by their kind at their place in the list and runs
// them around its own statements. The client cannot see the datasets: their class
// implements this.
class IUpdateObjectsHost {
 public:
  // Files the object (moving it when already filed) and renumbers the list; the index.
  virtual Integer AddUpdateObject(TpFIBUpdateObject* updateObject) = 0;
  virtual void RemoveUpdateObject(TpFIBUpdateObject* updateObject) = 0;
  // What an object without its own takes when it is filed.
  virtual TFIBDatabase* HostDatabase() const = 0;
  virtual TFIBTransaction* HostTransaction() const = 0;

 protected:
  ~IUpdateObjectsHost() = default;
};

// A statement with the settings by which a dataset files and runs it around its own
// insert, update or delete: the kind of change, its place among the objects of that kind,
// whether it runs and whether before or after. Until it is filed with a dataset it runs
// as a statement of its own.
class TpFIBUpdateObject : public TpFIBQuery {
  ORDVANE_CLASS(TpFIBUpdateObject, TpFIBQuery)

 public:
  explicit TpFIBUpdateObject(TComponent* owner) : TpFIBQuery(owner) {}
  // Leaves the dataset's list.
  ~TpFIBUpdateObject() override;

  // The dataset the object is filed with, or nullptr.
  TComponent* DataSet() const { return fDataSet; }
  // Only a dataset that files update objects is taken ("%s is not TpFIBDataSet"); the
  // object leaves the old one's list and is filed with the new one, taking its database
  // and transaction when it has none.
  void SetDataSet(TComponent* value);
  Integer OrderInList() const { return fOrderInList; }
  // Filed again at the new place.
  void SetOrderInList(Integer value);
  // The dataset's renumbering: the place only, without filing again.
  void StoreOrderInList(Integer value) { fOrderInList = value; }
  TUpdateKind KindUpdate() const { return fKindUpdate; }
  // Filed again in the list of the new kind.
  void SetKindUpdate(TUpdateKind value);
  bool Active() const { return fActive; }
  void SetActive(bool value) { fActive = value; }
  TFIBOrderExecUO ExecuteOrder() const { return fExecuteOrder; }
  void SetExecuteOrder(TFIBOrderExecUO value) { fExecuteOrder = value; }

 protected:
  // The dataset going away leaves the object unfiled.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* fDataSet = nullptr;
  IUpdateObjectsHost* fHost = nullptr;
  Integer fOrderInList = 0;
  TUpdateKind fKindUpdate = ukModify;
  bool fActive = true;
  TFIBOrderExecUO fExecuteOrder = oeBeforeDefault;
};

}  // namespace ordvane
