// A stand-in client library that exports a chosen subset of the client's entry points, so
// that the binding's generation detection and its failures can be seen without another
// client. Built three times (tests/dbclient/CMakeLists.txt):
//   FAKE_CLIENT_GENERATION=5  everything but isc_rollback_retaining
//   FAKE_CLIENT_GENERATION=6  isc_rollback_retaining too, but no isc_get_client_version
//   FAKE_CLIENT_WITHOUT_PREPARE2  as 6, without the required isc_prepare_transaction2
// The entry points the tests call behave as described at each; the others only have to
// exist and are never called.

#include <cstdint>
#include <cstring>

namespace {

// The client's status vector entries and argument kinds.
using Status = std::intptr_t;
constexpr Status ArgEnd = 0;
constexpr Status ArgString = 2;
constexpr Status ArgCountedString = 3;
constexpr Status ArgNumber = 4;

const char* sqlMessage = "";

const Status* NextEntry(const Status* entry) {
  return entry + (*entry == ArgCountedString ? 3 : 2);
}

}  // namespace

#define FAKE_ENTRY(name) \
  extern "C" void name() {}

FAKE_ENTRY(BLOB_get)
FAKE_ENTRY(BLOB_put)
FAKE_ENTRY(isc_blob_info)
FAKE_ENTRY(isc_open_blob2)
FAKE_ENTRY(isc_close_blob)
FAKE_ENTRY(isc_get_segment)
FAKE_ENTRY(isc_put_segment)
FAKE_ENTRY(isc_create_blob2)
FAKE_ENTRY(isc_decode_date)
FAKE_ENTRY(isc_encode_date)
FAKE_ENTRY(isc_dsql_free_statement)
FAKE_ENTRY(isc_dsql_execute2)
FAKE_ENTRY(isc_dsql_execute)
FAKE_ENTRY(isc_dsql_set_cursor_name)
FAKE_ENTRY(isc_dsql_fetch)
FAKE_ENTRY(isc_dsql_sql_info)
FAKE_ENTRY(isc_dsql_alloc_statement2)
FAKE_ENTRY(isc_dsql_prepare)
FAKE_ENTRY(isc_dsql_describe_bind)
FAKE_ENTRY(isc_dsql_describe)
FAKE_ENTRY(isc_dsql_execute_immediate)
FAKE_ENTRY(isc_dsql_exec_immed2)
FAKE_ENTRY(isc_drop_database)
FAKE_ENTRY(isc_detach_database)
FAKE_ENTRY(isc_attach_database)
FAKE_ENTRY(isc_database_info)
FAKE_ENTRY(isc_start_multiple)
FAKE_ENTRY(isc_commit_transaction)
FAKE_ENTRY(isc_commit_retaining)
FAKE_ENTRY(isc_rollback_transaction)
FAKE_ENTRY(isc_cancel_events)
FAKE_ENTRY(isc_que_events)
FAKE_ENTRY(isc_event_counts)
FAKE_ENTRY(isc_event_block)
FAKE_ENTRY(isc_free)
FAKE_ENTRY(isc_array_lookup_bounds)
FAKE_ENTRY(isc_array_get_slice)
FAKE_ENTRY(isc_array_put_slice)
FAKE_ENTRY(isc_wait_for_event)
FAKE_ENTRY(isc_transaction_info)
FAKE_ENTRY(isc_prepare_transaction)
#ifndef FAKE_CLIENT_WITHOUT_PREPARE2
FAKE_ENTRY(isc_prepare_transaction2)
#endif

// Exported by every fake, bound by none: the binding must leave these alone.
FAKE_ENTRY(isc_array_lookup_desc)
FAKE_ENTRY(isc_array_set_desc)
FAKE_ENTRY(isc_blob_lookup_desc)
FAKE_ENTRY(isc_blob_set_desc)
FAKE_ENTRY(isc_cancel_blob)
FAKE_ENTRY(isc_add_user)
FAKE_ENTRY(isc_delete_user)
FAKE_ENTRY(isc_modify_user)

// The sixth generation's entry points; the fifth-generation fake exports them as well,
// since the binding must not take them from a client without isc_rollback_retaining.
FAKE_ENTRY(isc_service_attach)
FAKE_ENTRY(isc_service_detach)
FAKE_ENTRY(isc_service_query)
FAKE_ENTRY(isc_service_start)
FAKE_ENTRY(isc_decode_sql_date)
FAKE_ENTRY(isc_decode_sql_time)
FAKE_ENTRY(isc_decode_timestamp)
FAKE_ENTRY(isc_encode_sql_date)
FAKE_ENTRY(isc_encode_sql_time)
FAKE_ENTRY(isc_encode_timestamp)
#if FAKE_CLIENT_GENERATION >= 6
FAKE_ENTRY(isc_rollback_retaining)
#endif

// A little-endian integer of up to 8 bytes, as the client decodes it.
extern "C" std::int64_t isc_portable_integer(const unsigned char* bytes, short length) {
  std::uint64_t value = 0;
  for (short i = length; i > 0; --i) value = (value << 8) | bytes[i - 1];
  return static_cast<std::int64_t>(value);
}

extern "C" std::int32_t isc_vax_integer(const char* bytes, short length) {
  return static_cast<std::int32_t>(
      isc_portable_integer(reinterpret_cast<const unsigned char*>(bytes), length));
}

// The SQL code of a vector is its first number argument (-999 when it has none).
extern "C" std::int32_t isc_sqlcode(const Status* status) {
  for (const Status* entry = status; *entry != ArgEnd; entry = NextEntry(entry))
    if (*entry == ArgNumber) return static_cast<std::int32_t>(entry[1]);
  return -999;
}

// The text isc_sql_interprete writes, whatever the code; set by the tests.
extern "C" void fake_set_sql_message(const char* text) {
  sqlMessage = text;
}

extern "C" void isc_sql_interprete(short, char* buffer, short bufferLength) {
  if (bufferLength <= 0) return;
  std::size_t length = std::strlen(sqlMessage);
  if (length >= static_cast<std::size_t>(bufferLength)) length = static_cast<std::size_t>(bufferLength) - 1;
  std::memcpy(buffer, sqlMessage, length);
  buffer[length] = '\0';
}

// One line per string argument of the vector, in order.
extern "C" std::int32_t isc_interprete(char* buffer, Status** cursor) {
  for (Status* entry = *cursor; *entry != ArgEnd; entry = const_cast<Status*>(NextEntry(entry))) {
    if (*entry != ArgString) continue;
    std::strcpy(buffer, reinterpret_cast<const char*>(entry[1]));
    *cursor = entry + 2;
    return static_cast<std::int32_t>(std::strlen(buffer));
  }
  return 0;
}
