#include "dbclient/IB_Intf.h"

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "dbclient/FIBConsts.h"

namespace ordvane {

// A setting a program may change before its first connection. Only a lack of memory can
// fail its construction, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
AnsiString DefaultLibraryName = "libfbclient.so.2";

namespace {

// clang-format off
constexpr const char* EntryPointNames[] = {
#define ORDVANE_IB_NAME(result, name, parameters, arguments) #name,
    ORDVANE_IB_ENTRY_POINTS(ORDVANE_IB_NAME)
#undef ORDVANE_IB_NAME
    "isc_event_block",
    "fb_interpret",
};
// clang-format on
static_assert(std::size(EntryPointNames) == static_cast<std::size_t>(TIBEntryPoint::Count));

const char* EntryPointName(TIBEntryPoint entry) {
  return EntryPointNames[static_cast<std::size_t>(entry)];
}

// Room given to the old, unbounded isc_interprete for one line.
constexpr std::size_t LegacyLineSize = 20480;

}  // namespace

TIBClientLibrary::TIBClientLibrary(AnsiString libraryName) : fLibraryName(std::move(libraryName)) {
  LoadIBLibrary();
}

void TIBClientLibrary::LoadIBLibrary() {
  using E = TIBEntryPoint;
  if (!fModule.Open(fLibraryName)) throw Exception(Format(SCantLoadLibrary, {fLibraryName}));
  BindRequired({E::BLOB_get,
                E::BLOB_put,
                E::isc_sqlcode,
                E::isc_sql_interprete,
                E::isc_interprete,
                E::isc_vax_integer,
                E::isc_blob_info,
                E::isc_open_blob2,
                E::isc_close_blob,
                E::isc_get_segment,
                E::isc_put_segment,
                E::isc_create_blob2,
                E::isc_decode_date,
                E::isc_encode_date,
                E::isc_dsql_free_statement,
                E::isc_dsql_execute2,
                E::isc_dsql_execute,
                E::isc_dsql_set_cursor_name,
                E::isc_dsql_fetch,
                E::isc_dsql_sql_info,
                E::isc_dsql_alloc_statement2,
                E::isc_dsql_prepare,
                E::isc_dsql_describe_bind,
                E::isc_dsql_describe,
                E::isc_dsql_execute_immediate,
                E::isc_dsql_exec_immed2,
                E::isc_drop_database,
                E::isc_detach_database,
                E::isc_attach_database,
                E::isc_database_info,
                E::isc_start_multiple,
                E::isc_commit_transaction,
                E::isc_commit_retaining,
                E::isc_rollback_transaction,
                E::isc_cancel_events,
                E::isc_que_events,
                E::isc_event_counts,
                E::isc_event_block,
                E::isc_free,
                E::isc_array_lookup_bounds,
                E::isc_array_get_slice,
                E::isc_array_put_slice,
                E::isc_wait_for_event,
                E::isc_transaction_info,
                E::isc_prepare_transaction,
                E::isc_prepare_transaction2});

  // isc_rollback_retaining marks the client generation that brought the services and the
  // SQL date and time types.
  if (BindOptional(E::isc_rollback_retaining)) {
    fClientMajorVersion = 6;
    BindRequired({E::isc_service_attach, E::isc_service_detach, E::isc_service_query, E::isc_service_start,
                  E::isc_decode_sql_date, E::isc_decode_sql_time, E::isc_decode_timestamp,
                  E::isc_encode_sql_date, E::isc_encode_sql_time, E::isc_encode_timestamp,
                  E::isc_portable_integer});
  } else {
    fClientMajorVersion = 5;
  }
  fClientMinorVersion = 0;

  if (BindOptional(E::isc_get_client_version)) {
    BindRequired({E::isc_get_client_major_version, E::isc_get_client_minor_version});
    fClientMajorVersion = isc_get_client_major_version();
    fClientMinorVersion = isc_get_client_minor_version();
    BindOptional(E::isc_dsql_batch_execute_immed);
    BindOptional(E::isc_dsql_batch_execute);
  }
  BindOptional(E::fb_interpret);
  SetFPUExtendedPrecision();
}

void TIBClientLibrary::BindRequired(std::initializer_list<TIBEntryPoint> entries) {
  for (TIBEntryPoint entry : entries)
    if (!BindOptional(entry))
      throw EOSError(Format(SCantFindProcedure, {EntryPointName(entry), fLibraryName}));
}

bool TIBClientLibrary::BindOptional(TIBEntryPoint entry) {
  fEntries[Slot(entry)] = fModule.Symbol(EntryPointName(entry));
  return Bound(entry);
}

template <class F>
F* TIBClientLibrary::Entry(TIBEntryPoint entry) const {
  void* address = fEntries[Slot(entry)];
  if (!address) throw Exception(Format(SCantFindProcedure, {EntryPointName(entry), fLibraryName}));
  return reinterpret_cast<F*>(address);
}

// The macro pastes a declaration together from its pieces: a parameter list and an argument
// list are already in their parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ORDVANE_IB_FORWARD(result, name, parameters, arguments)     \
  result TIBClientLibrary::name parameters {                        \
    return Entry<result parameters>(TIBEntryPoint::name) arguments; \
  }
ORDVANE_IB_ENTRY_POINTS(ORDVANE_IB_FORWARD)
#undef ORDVANE_IB_FORWARD
// NOLINTEND(bugprone-macro-parentheses)

ISC_LONG TIBClientLibrary::isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer,
                                           ISC_USHORT count, const TEventNames& names) {
  using EventBlock = ISC_LONG(ISC_UCHAR**, ISC_UCHAR**, ISC_USHORT, ...);
  auto* call = Entry<EventBlock>(TIBEntryPoint::isc_event_block);
  if (count > MaxEventNames)
    throw ERangeError(
        Format("isc_event_block takes at most %d event names, not %d", {MaxEventNames, int(count)}));
  return call(eventBuffer, resultBuffer, count, names[0], names[1], names[2], names[3], names[4], names[5],
              names[6], names[7], names[8], names[9], names[10], names[11], names[12], names[13], names[14]);
}

ISC_LONG TIBClientLibrary::fb_interpret(ISC_SCHAR* buffer, unsigned int bufferLength,
                                        const ISC_STATUS** cursor) {
  if (Bound(TIBEntryPoint::fb_interpret))
    return Entry<decltype(::fb_interpret)>(TIBEntryPoint::fb_interpret)(buffer, bufferLength, cursor);
  if (bufferLength == 0) return 0;
  std::vector<ISC_SCHAR> line(LegacyLineSize);
  auto* legacyCursor = const_cast<ISC_STATUS*>(*cursor);  // the old entry point never writes the vector
  ISC_LONG length = isc_interprete(line.data(), &legacyCursor);
  *cursor = legacyCursor;
  if (length <= 0) return 0;
  std::size_t kept = std::min<std::size_t>(strnlen(line.data(), line.size()), bufferLength - 1);
  std::memcpy(buffer, line.data(), kept);
  buffer[kept] = '\0';
  return static_cast<ISC_LONG>(kept);
}

void TIBClientLibrary::FreeIBLibrary() {
  // Clearing the slots first makes a later call raise instead of jumping into unmapped code.
  fEntries.fill(nullptr);
  fModule.Close();
}

namespace {

class TClientLibraryList {
 public:
  IIBClientLibraryPtr Get(const AnsiString& libraryName) {
    std::lock_guard lock(fLock);
    for (const auto& library : fLibraries)
      if (library->GetLibraryName() == libraryName) return library;
    auto library = std::make_shared<TIBClientLibrary>(libraryName);
    fLibraries.push_back(library);
    return library;
  }

 private:
  std::mutex fLock;
  std::vector<IIBClientLibraryPtr> fLibraries;
};

TClientLibraryList& ClientLibraryList() {
  static TClientLibraryList list;
  return list;
}

}  // namespace

IIBClientLibraryPtr GetClientLibrary(const AnsiString& libraryName) {
  return ClientLibraryList().Get(libraryName);
}

void SetFPUExtendedPrecision() {
#if defined(__x86_64__) || defined(__i386__)
  constexpr fpu_control_t precisionControl = 0x300;
  fpu_control_t word;
  _FPU_GETCW(word);
  const auto wanted = static_cast<fpu_control_t>((word & ~precisionControl) | _FPU_EXTENDED);
  // Loading the control word stalls the processor; every fetched row asks, and it is
  // mostly set already.
  if (wanted != word) _FPU_SETCW(wanted);
#endif
}

}  // namespace ordvane
