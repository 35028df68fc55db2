#pragma once
// Where the client components reach the metadata caches that the datasets keep: the
// three cache files around connect and disconnect, their validation against a
// database, and the call text of a stored procedure. The client cannot call the datasets'
// library, so that library fills this registration point (RegisterFIBMetaCaches, made by
// every dataset's constructor and by programs that connect before they make a dataset).
// With nothing registered the file hooks do nothing and a procedure's call text is built
// by its component, uncached.

#include "classlib/core/Events.h"
#include "classlib/core/System.h"

namespace ordvane {

class TFIBDatabase;

// Asked for each cached table while a loaded cache is validated: accept keeps it.
using TpFIBAcceptCacheSchema = TEvent<void(const AnsiString& objName, bool& accept)>;

enum class TFIBMetaCacheFile { Fields, DataSets, ErrorMessages };

class IFIBMetaCaches {
 public:
  virtual ~IFIBMetaCaches() = default;
  // Empties the collection and reads the file; a missing file, another signature or an
  // older version loads nothing. A damaged file raises EReadError with the collection
  // left empty. The table cache is given the database (or nullptr) and, with validate,
  // checks what it read against it. True when the file's entries were taken.
  virtual bool LoadFile(TFIBMetaCacheFile file, const AnsiString& fileName, TFIBDatabase* database,
                        bool validate) = 0;
  // Never raises; an empty collection deletes the file.
  virtual void SaveFile(TFIBMetaCacheFile file, const AnsiString& fileName) noexcept = 0;
  // Drops the cached tables that are no longer current on the database; an assigned
  // accept event alone decides instead.
  virtual void ValidateTables(TFIBDatabase& database, const TpFIBAcceptCacheSchema& accept) = 0;
  // "EXECUTE PROCEDURE " + name + " " + the inputs as parameters, read once per process.
  virtual AnsiString ExecProcText(TFIBDatabase& database, const AnsiString& procedureName, bool forceRefresh) = 0;
};

// The registered caches, or nullptr. Registering again replaces; nullptr unregisters.
IFIBMetaCaches* FIBMetaCaches();
void SetFIBMetaCaches(IFIBMetaCaches* caches);

}  // namespace ordvane
