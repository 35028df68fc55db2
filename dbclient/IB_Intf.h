#pragma once
// The binding of the Firebird client library. The library is loaded at run time by file
// name, never linked: one IIBClientLibrary per distinct file name offers every entry point
// of the classic call interface as one operation taking the entry point's own arguments.
// Server errors are not raised here; an operation returns the entry point's result and
// the caller hands the status vector to the error model (fib.h).

#include <ibase.h>

#include <array>
#include <memory>

#include "classlib/core/DynLib.h"
#include "classlib/core/System.h"

namespace ordvane {

// The entry points with a fixed argument list, as X(result, name, (parameters),
// (arguments)). The list generates the operations of the interface, their overrides,
// the binding slots and the slot names, so that a signature is written once.
#define ORDVANE_IB_ENTRY_POINTS(X)                                                                           \
  X(ISC_STATUS, isc_attach_database,                                                                         \
    (ISC_STATUS * status, short nameLength, const ISC_SCHAR* name, isc_db_handle* db, short dpbLength,       \
     const ISC_SCHAR* dpb),                                                                                  \
    (status, nameLength, name, db, dpbLength, dpb))                                                          \
  X(ISC_STATUS, isc_array_get_slice,                                                                         \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, ISC_QUAD * arrayId,                        \
     const ISC_ARRAY_DESC* desc, void* slice, ISC_LONG* sliceLength),                                        \
    (status, db, tr, arrayId, desc, slice, sliceLength))                                                     \
  X(ISC_STATUS, isc_array_lookup_bounds,                                                                     \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, const ISC_SCHAR* relation,                 \
     const ISC_SCHAR* field, ISC_ARRAY_DESC* desc),                                                          \
    (status, db, tr, relation, field, desc))                                                                 \
  X(ISC_STATUS, isc_array_lookup_desc,                                                                       \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, const ISC_SCHAR* relation,                 \
     const ISC_SCHAR* field, ISC_ARRAY_DESC* desc),                                                          \
    (status, db, tr, relation, field, desc))                                                                 \
  X(ISC_STATUS, isc_array_set_desc,                                                                          \
    (ISC_STATUS * status, const ISC_SCHAR* relation, const ISC_SCHAR* field, const short* sqlType,           \
     const short* sqlLength, const short* dimensions, ISC_ARRAY_DESC* desc),                                 \
    (status, relation, field, sqlType, sqlLength, dimensions, desc))                                         \
  X(ISC_STATUS, isc_array_put_slice,                                                                         \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, ISC_QUAD * arrayId,                        \
     const ISC_ARRAY_DESC* desc, void* slice, ISC_LONG* sliceLength),                                        \
    (status, db, tr, arrayId, desc, slice, sliceLength))                                                     \
  X(ISC_STATUS, isc_blob_info,                                                                               \
    (ISC_STATUS * status, isc_blob_handle * blob, short itemsLength, const ISC_SCHAR* items,                 \
     short bufferLength, ISC_SCHAR* buffer),                                                                 \
    (status, blob, itemsLength, items, bufferLength, buffer))                                                \
  X(ISC_STATUS, isc_blob_lookup_desc,                                                                        \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, const ISC_UCHAR* relation,                 \
     const ISC_UCHAR* field, ISC_BLOB_DESC* desc, ISC_UCHAR* globalName),                                    \
    (status, db, tr, relation, field, desc, globalName))                                                     \
  X(ISC_STATUS, isc_blob_set_desc,                                                                           \
    (ISC_STATUS * status, const ISC_UCHAR* relation, const ISC_UCHAR* field, short subType, short charSet,   \
     short segmentSize, ISC_BLOB_DESC* desc),                                                                \
    (status, relation, field, subType, charSet, segmentSize, desc))                                          \
  X(ISC_STATUS, isc_cancel_blob, (ISC_STATUS * status, isc_blob_handle * blob), (status, blob))              \
  X(ISC_STATUS, isc_cancel_events, (ISC_STATUS * status, isc_db_handle * db, ISC_LONG * eventId),            \
    (status, db, eventId))                                                                                   \
  X(ISC_STATUS, isc_que_events,                                                                              \
    (ISC_STATUS * status, isc_db_handle * db, ISC_LONG * eventId, short length,                              \
     const ISC_UCHAR* eventBuffer, ISC_EVENT_CALLBACK callback, void* callbackArgument),                     \
    (status, db, eventId, length, eventBuffer, callback, callbackArgument))                                  \
  X(ISC_STATUS, isc_wait_for_event,                                                                          \
    (ISC_STATUS * status, isc_db_handle * db, short length, const ISC_UCHAR* eventBuffer,                    \
     ISC_UCHAR* resultBuffer),                                                                               \
    (status, db, length, eventBuffer, resultBuffer))                                                         \
  X(ISC_STATUS, isc_close_blob, (ISC_STATUS * status, isc_blob_handle * blob), (status, blob))               \
  X(ISC_STATUS, isc_create_blob2,                                                                            \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, isc_blob_handle * blob, ISC_QUAD * blobId, \
     short bpbLength, const ISC_SCHAR* bpb),                                                                 \
    (status, db, tr, blob, blobId, bpbLength, bpb))                                                          \
  X(ISC_STATUS, isc_commit_retaining, (ISC_STATUS * status, isc_tr_handle * tr), (status, tr))               \
  X(ISC_STATUS, isc_commit_transaction, (ISC_STATUS * status, isc_tr_handle * tr), (status, tr))             \
  X(ISC_STATUS, isc_transaction_info,                                                                        \
    (ISC_STATUS * status, isc_tr_handle * tr, short itemsLength, const ISC_SCHAR* items, short bufferLength, \
     ISC_SCHAR* buffer),                                                                                     \
    (status, tr, itemsLength, items, bufferLength, buffer))                                                  \
  X(ISC_STATUS, isc_database_info,                                                                           \
    (ISC_STATUS * status, isc_db_handle * db, short itemsLength, const ISC_SCHAR* items, short bufferLength, \
     ISC_SCHAR* buffer),                                                                                     \
    (status, db, itemsLength, items, bufferLength, buffer))                                                  \
  X(void, isc_decode_date, (const ISC_QUAD* value, void* tm), (value, tm))                                   \
  X(void, isc_decode_sql_date, (const ISC_DATE* value, void* tm), (value, tm))                               \
  X(void, isc_decode_sql_time, (const ISC_TIME* value, void* tm), (value, tm))                               \
  X(void, isc_decode_timestamp, (const ISC_TIMESTAMP* value, void* tm), (value, tm))                         \
  X(ISC_STATUS, isc_detach_database, (ISC_STATUS * status, isc_db_handle * db), (status, db))                \
  X(ISC_STATUS, isc_drop_database, (ISC_STATUS * status, isc_db_handle * db), (status, db))                  \
  X(ISC_STATUS, isc_dsql_alloc_statement2,                                                                   \
    (ISC_STATUS * status, isc_db_handle * db, isc_stmt_handle * stmt), (status, db, stmt))                   \
  X(ISC_STATUS, isc_dsql_describe,                                                                           \
    (ISC_STATUS * status, isc_stmt_handle * stmt, unsigned short daVersion, XSQLDA* sqlda),                  \
    (status, stmt, daVersion, sqlda))                                                                        \
  X(ISC_STATUS, isc_dsql_describe_bind,                                                                      \
    (ISC_STATUS * status, isc_stmt_handle * stmt, unsigned short daVersion, XSQLDA* sqlda),                  \
    (status, stmt, daVersion, sqlda))                                                                        \
  X(ISC_STATUS, isc_dsql_execute,                                                                            \
    (ISC_STATUS * status, isc_tr_handle * tr, isc_stmt_handle * stmt, unsigned short daVersion,              \
     const XSQLDA* inSqlda),                                                                                 \
    (status, tr, stmt, daVersion, inSqlda))                                                                  \
  X(ISC_STATUS, isc_dsql_execute2,                                                                           \
    (ISC_STATUS * status, isc_tr_handle * tr, isc_stmt_handle * stmt, unsigned short daVersion,              \
     const XSQLDA* inSqlda, const XSQLDA* outSqlda),                                                         \
    (status, tr, stmt, daVersion, inSqlda, outSqlda))                                                        \
  X(ISC_STATUS, isc_dsql_execute_immediate,                                                                  \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, unsigned short length,                     \
     const ISC_SCHAR* sql, unsigned short dialect, const XSQLDA* inSqlda),                                   \
    (status, db, tr, length, sql, dialect, inSqlda))                                                         \
  X(ISC_STATUS, isc_dsql_exec_immed2,                                                                        \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, unsigned short length,                     \
     const ISC_SCHAR* sql, unsigned short dialect, const XSQLDA* inSqlda, const XSQLDA* outSqlda),           \
    (status, db, tr, length, sql, dialect, inSqlda, outSqlda))                                               \
  X(ISC_STATUS, isc_dsql_fetch,                                                                              \
    (ISC_STATUS * status, isc_stmt_handle * stmt, unsigned short daVersion, const XSQLDA* outSqlda),         \
    (status, stmt, daVersion, outSqlda))                                                                     \
  X(ISC_STATUS, isc_dsql_free_statement,                                                                     \
    (ISC_STATUS * status, isc_stmt_handle * stmt, unsigned short option), (status, stmt, option))            \
  X(ISC_STATUS, isc_dsql_prepare,                                                                            \
    (ISC_STATUS * status, isc_tr_handle * tr, isc_stmt_handle * stmt, unsigned short length,                 \
     const ISC_SCHAR* sql, unsigned short dialect, XSQLDA* outSqlda),                                        \
    (status, tr, stmt, length, sql, dialect, outSqlda))                                                      \
  X(ISC_STATUS, isc_dsql_set_cursor_name,                                                                    \
    (ISC_STATUS * status, isc_stmt_handle * stmt, const ISC_SCHAR* cursorName, unsigned short type),         \
    (status, stmt, cursorName, type))                                                                        \
  X(ISC_STATUS, isc_dsql_sql_info,                                                                           \
    (ISC_STATUS * status, isc_stmt_handle * stmt, short itemsLength, const ISC_SCHAR* items,                 \
     short bufferLength, ISC_SCHAR* buffer),                                                                 \
    (status, stmt, itemsLength, items, bufferLength, buffer))                                                \
  X(void, isc_encode_date, (const void* tm, ISC_QUAD* value), (tm, value))                                   \
  X(void, isc_encode_sql_date, (const void* tm, ISC_DATE* value), (tm, value))                               \
  X(void, isc_encode_sql_time, (const void* tm, ISC_TIME* value), (tm, value))                               \
  X(void, isc_encode_timestamp, (const void* tm, ISC_TIMESTAMP* value), (tm, value))                         \
  X(void, isc_event_counts,                                                                                  \
    (ISC_ULONG * counts, short bufferLength, ISC_UCHAR* eventBuffer, const ISC_UCHAR* resultBuffer),         \
    (counts, bufferLength, eventBuffer, resultBuffer))                                                       \
  X(ISC_LONG, isc_free, (ISC_SCHAR * block), (block))                                                        \
  X(ISC_STATUS, isc_get_segment,                                                                             \
    (ISC_STATUS * status, isc_blob_handle * blob, unsigned short* actualLength, unsigned short bufferLength, \
     ISC_SCHAR* buffer),                                                                                     \
    (status, blob, actualLength, bufferLength, buffer))                                                      \
  X(ISC_STATUS, isc_put_segment,                                                                             \
    (ISC_STATUS * status, isc_blob_handle * blob, unsigned short length, const ISC_SCHAR* buffer),           \
    (status, blob, length, buffer))                                                                          \
  X(ISC_LONG, isc_interprete, (ISC_SCHAR * buffer, ISC_STATUS * *cursor), (buffer, cursor))                  \
  X(ISC_STATUS, isc_open_blob2,                                                                              \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, isc_blob_handle * blob, ISC_QUAD * blobId, \
     ISC_USHORT bpbLength, const ISC_UCHAR* bpb),                                                            \
    (status, db, tr, blob, blobId, bpbLength, bpb))                                                          \
  X(ISC_STATUS, isc_prepare_transaction2,                                                                    \
    (ISC_STATUS * status, isc_tr_handle * tr, ISC_USHORT messageLength, const ISC_UCHAR* message),           \
    (status, tr, messageLength, message))                                                                    \
  X(ISC_STATUS, isc_rollback_retaining, (ISC_STATUS * status, isc_tr_handle * tr), (status, tr))             \
  X(ISC_STATUS, isc_rollback_transaction, (ISC_STATUS * status, isc_tr_handle * tr), (status, tr))           \
  X(ISC_STATUS, isc_start_multiple, (ISC_STATUS * status, isc_tr_handle * tr, short count, void* teb),       \
    (status, tr, count, teb))                                                                                \
  X(ISC_LONG, isc_sqlcode, (const ISC_STATUS* status), (status))                                             \
  X(void, isc_sql_interprete, (short sqlCode, ISC_SCHAR* buffer, short bufferLength),                        \
    (sqlCode, buffer, bufferLength))                                                                         \
  X(ISC_LONG, isc_vax_integer, (const ISC_SCHAR* bytes, short length), (bytes, length))                      \
  X(ISC_STATUS, isc_add_user, (ISC_STATUS * status, const USER_SEC_DATA* user), (status, user))              \
  X(ISC_STATUS, isc_delete_user, (ISC_STATUS * status, const USER_SEC_DATA* user), (status, user))           \
  X(ISC_STATUS, isc_modify_user, (ISC_STATUS * status, const USER_SEC_DATA* user), (status, user))           \
  X(ISC_STATUS, isc_prepare_transaction, (ISC_STATUS * status, isc_tr_handle * tr), (status, tr))            \
  X(int, BLOB_put, (ISC_SCHAR character, FB_BLOB_STREAM stream), (character, stream))                        \
  X(int, BLOB_get, (FB_BLOB_STREAM stream), (stream))                                                        \
  X(ISC_STATUS, isc_dsql_batch_execute_immed,                                                                \
    (ISC_STATUS * status, isc_db_handle * db, isc_tr_handle * tr, unsigned short dialect, ISC_ULONG count,   \
     const ISC_SCHAR* const* statements, ISC_ULONG* rowsAffected),                                           \
    (status, db, tr, dialect, count, statements, rowsAffected))                                              \
  X(ISC_STATUS, isc_dsql_batch_execute,                                                                      \
    (ISC_STATUS * status, isc_tr_handle * tr, isc_stmt_handle * stmt, unsigned short dialect,                \
     XSQLDA* inSqlda, unsigned short rowCount, XSQLVAR** rows, ISC_ULONG* rowsAffected),                     \
    (status, tr, stmt, dialect, inSqlda, rowCount, rows, rowsAffected))                                      \
  X(ISC_STATUS, isc_service_attach,                                                                          \
    (ISC_STATUS * status, unsigned short nameLength, const ISC_SCHAR* name, isc_svc_handle* service,         \
     unsigned short spbLength, const ISC_SCHAR* spb),                                                        \
    (status, nameLength, name, service, spbLength, spb))                                                     \
  X(ISC_STATUS, isc_service_detach, (ISC_STATUS * status, isc_svc_handle * service), (status, service))      \
  X(ISC_STATUS, isc_service_query,                                                                           \
    (ISC_STATUS * status, isc_svc_handle * service, isc_resv_handle * reserved, unsigned short sendLength,   \
     const ISC_SCHAR* send, unsigned short requestLength, const ISC_SCHAR* request,                          \
     unsigned short bufferLength, ISC_SCHAR* buffer),                                                        \
    (status, service, reserved, sendLength, send, requestLength, request, bufferLength, buffer))             \
  X(ISC_STATUS, isc_service_start,                                                                           \
    (ISC_STATUS * status, isc_svc_handle * service, isc_resv_handle * reserved, unsigned short spbLength,    \
     const ISC_SCHAR* spb),                                                                                  \
    (status, service, reserved, spbLength, spb))                                                             \
  X(void, isc_get_client_version, (ISC_SCHAR * buffer), (buffer))                                            \
  X(int, isc_get_client_major_version, (), ())                                                               \
  X(int, isc_get_client_minor_version, (), ())                                                               \
  X(ISC_INT64, isc_portable_integer, (const ISC_UCHAR* bytes, short length), (bytes, length))

// The binding slots: one per entry point of the list, then the two whose operations do
// more than pass their arguments on.
enum class TIBEntryPoint : int {
#define ORDVANE_IB_SLOT(result, name, parameters, arguments) name,
  ORDVANE_IB_ENTRY_POINTS(ORDVANE_IB_SLOT)
#undef ORDVANE_IB_SLOT
      isc_event_block,
  fb_interpret,
  Count
};

// isc_event_block takes at most this many event names.
inline constexpr int MaxEventNames = 15;
using TEventNames = std::array<const char*, MaxEventNames>;

class IIBClientLibrary {
 public:
  virtual ~IIBClientLibrary() = default;

  virtual const AnsiString& GetLibraryName() const = 0;
  virtual Integer GetClientMajorVersion() const = 0;
  virtual Integer GetClientMinorVersion() const = 0;

  // Every operation raises "Can't find procedure <entry> in <file>" (the class library's
  // general Exception) before any call when its entry point is not bound.
#define ORDVANE_IB_OPERATION(result, name, parameters, arguments) virtual result name parameters = 0;
  ORDVANE_IB_ENTRY_POINTS(ORDVANE_IB_OPERATION)
#undef ORDVANE_IB_OPERATION

  // Allocates the event and result buffers for the first `count` names and returns their
  // length; a count above MaxEventNames raises ERangeError, since the client would read
  // names that were never passed.
  virtual ISC_LONG isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT count,
                                   const TEventNames& names) = 0;
  // Writes the next line of a status vector into the buffer (at most bufferLength bytes
  // with the terminating zero), moves the cursor past it and returns the line's length,
  // 0 when the vector is exhausted. A client without this bounded entry point is served
  // through isc_interprete and the line is cut to the buffer.
  virtual ISC_LONG fb_interpret(ISC_SCHAR* buffer, unsigned int bufferLength, const ISC_STATUS** cursor) = 0;

  // Releases the library; every operation raises "Can't find procedure" afterwards. A
  // second call does nothing.
  virtual void FreeIBLibrary() = 0;
};

using IIBClientLibraryPtr = std::shared_ptr<IIBClientLibrary>;

class TIBClientLibrary final : public IIBClientLibrary {
 public:
  // Loads and binds the library. Raises Exception "Can't load library <file> " when the
  // loader refuses the file and EOSError "Can't find procedure <entry> in <file>" when a
  // required entry point is missing; the library is released again in both cases.
  explicit TIBClientLibrary(AnsiString libraryName);
  ~TIBClientLibrary() override { FreeIBLibrary(); }
  TIBClientLibrary(const TIBClientLibrary&) = delete;
  TIBClientLibrary& operator=(const TIBClientLibrary&) = delete;

  const AnsiString& GetLibraryName() const override { return fLibraryName; }
  Integer GetClientMajorVersion() const override { return fClientMajorVersion; }
  Integer GetClientMinorVersion() const override { return fClientMinorVersion; }

#define ORDVANE_IB_OVERRIDE(result, name, parameters, arguments) result name parameters override;
  ORDVANE_IB_ENTRY_POINTS(ORDVANE_IB_OVERRIDE)
#undef ORDVANE_IB_OVERRIDE

  ISC_LONG isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT count,
                           const TEventNames& names) override;
  ISC_LONG fb_interpret(ISC_SCHAR* buffer, unsigned int bufferLength, const ISC_STATUS** cursor) override;

  void FreeIBLibrary() override;

 private:
  void LoadIBLibrary();
  void BindRequired(std::initializer_list<TIBEntryPoint> entries);
  bool BindOptional(TIBEntryPoint entry);
  bool Bound(TIBEntryPoint entry) const {
    return fEntries[Slot(entry)] != nullptr;
  }
  static std::size_t Slot(TIBEntryPoint entry) {
    return static_cast<std::size_t>(entry);
  }
  // The bound address of an entry point as a function of type F.
  template <class F>
  F* Entry(TIBEntryPoint entry) const;

  AnsiString fLibraryName;
  TDynamicLibrary fModule;
  Integer fClientMajorVersion = 0;
  Integer fClientMinorVersion = 0;
  std::array<void*, static_cast<std::size_t>(TIBEntryPoint::Count)> fEntries{};
};

// The file the database component loads unless told otherwise.
extern AnsiString DefaultLibraryName;

// The one interface for a library file name (names compare byte for byte, so names that
// differ in letter case are different libraries), loaded on first demand and kept for
// the life of the process. Look-up and loading happen under one lock, so two threads
// asking for a new name at once load it once. A load failure propagates and nothing is
// kept.
IIBClientLibraryPtr GetClientLibrary(const AnsiString& libraryName);

// Sets the precision-control field of the x87 control word to 64-bit extended precision,
// leaving the other bits alone; a client library may have lowered it, and Extended
// arithmetic needs it. Nothing to do on processors without an x87 unit.
void SetFPUExtendedPrecision();

}  // namespace ordvane
