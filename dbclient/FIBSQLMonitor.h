#pragma once
// The SQL trace channel. Statements, connections, transactions and services report what
// they do to the process's one monitor hook; when an outside monitor program is reading,
// the hook queues the text and a writer thread hands it over through a named shared
// block, a named mutex and four named manual-reset events:
//
//   "FIB.SQL.MONITOR.SharedMem"  2048 bytes, numbers 32-bit little-endian:
//      0 text chunk (up to 2002 bytes, not terminated)   2002 reserved
//   2004 time stamp (8-byte date-time)                   2012 switch: transactions
//   2016 switch: connect/disconnect   2020 switch: fetch   2024 switch: execute
//   2028 switch: prepare   2032 chunk length   2036 trace kind
//   2040 readers still to acknowledge the chunk           2044 number of readers
//   "FIB.SQL.MONITOR.Mutex", "FIB.SQL.MONITOR.WriteEvent", "FIB.SQL.MONITOR.WriteFinishedEvent",
//   "FIB.SQL.MONITOR.ReadEvent", "FIB.SQL.MONITOR.ReadFinishedEvent"
//
// A reader counts itself at 2044 and picks the kinds it wants with the switches. For
// each chunk it adds itself at 2040 and sets ReadEvent when all readers have; once it has
// read the chunk (WriteEvent set) it takes itself off 2040 again, and the last one resets
// ReadEvent and sets ReadFinishedEvent. The writer then sets WriteFinishedEvent. A reader
// that stops answering costs the writer one second and is no longer counted.
//
// The texts are trace texts of the user's own statements and data; the named objects are
// readable by the current user only.
//
// These names are shared by every process of the user. When ORDVANE_SQL_MONITOR_CHANNEL
// is set and not empty, each name is preceded by its value and a dot: the processes that
// share that value (a test program and the processes it forks, for one) then have a
// channel of their own, which other programs tracing at the same time never touch.

#include <ibase.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "classlib/core/DateTime.h"
#include "classlib/core/IPC.h"
#include "classlib/core/SysUtils.h"
#include "classlib/core/Threads.h"
#include "classlib/core/Variants.h"

namespace ordvane {

// What a trace reports; the numbers are those a reader sees at offset 2036.
enum class TFIBTraceKind : Byte {
  Prepare = 0,
  Execute = 1,
  Fetch = 2,
  Connect = 3,
  Transaction = 4,
  Service = 5
};

enum class TFIBSavepointOperation { Set, RollbackTo, Release };

// One text waiting for the writer thread, stamped when it is made.
class TFIBTraceObject {
 public:
  TFIBTraceObject(TFIBTraceKind kind, AnsiString text)
      : fKind(kind), fText(std::move(text)), fTimeStamp(Now()) {}

  TFIBTraceKind Kind() const { return fKind; }
  const AnsiString& Text() const { return fText; }
  TDateTime TimeStamp() const { return fTimeStamp; }

 private:
  TFIBTraceKind fKind;
  AnsiString fText;
  TDateTime fTimeStamp;
};

// The text a reader receives: characters 9, 10, 13 and from 32 up as they are, every other
// one as "#$" and its code in two hexadecimal digits.
AnsiString EncodeTraceText(const AnsiString& text);

// The name of one of the channel's objects: "FIB.SQL.MONITOR." and `part`, after the
// channel named by ORDVANE_SQL_MONITOR_CHANNEL when that is set.
AnsiString SQLMonitorObjectName(const char* part);

// The shared block, the mutex and the four events, created by the first process and
// opened by the others.
class TSQLMonitorChannel {
 public:
  static constexpr std::size_t ChunkSize = 2002;

  // Raises EFIBClientError 54 when an object can be neither created nor opened.
  TSQLMonitorChannel();

  Integer ReaderCount() const;
  // The reader's switch for the kind; service traces have none and are always wanted.
  bool KindWanted(TFIBTraceKind kind) const;
  // Hands the text to the readers chunk by chunk, holding the mutex for the whole text so
  // that the chunks of two writers never mix. Nothing is written when no reader is
  // counted once the mutex is held, or when `stop` is set while the mutex is awaited.
  void Write(const TFIBTraceObject& trace, const std::atomic<bool>& stop);

 private:
  // A 32-bit field of the block, which readers in other processes change too.
  std::atomic_ref<Integer> Counter(std::size_t offset) const;
  Integer Load(std::size_t offset) const;
  void Store(std::size_t offset, Integer value) const;
  // Lowers the field by one unless it is 0 or below; answers the value before.
  Integer DecrementAbove0(std::size_t offset) const;
  void WriteChunk(const TFIBTraceObject& trace, const char* chunk, std::size_t length);
  void Handshake();
  void WaitForReaders();
  void WaitForAcknowledgements();

  std::unique_ptr<TSharedMemory> fBlock;
  std::unique_ptr<TNamedMutex> fMutex;
  std::unique_ptr<TNamedEvent> fWriteEvent;
  std::unique_ptr<TNamedEvent> fWriteFinishedEvent;
  std::unique_ptr<TNamedEvent> fReadEvent;
  std::unique_ptr<TNamedEvent> fReadFinishedEvent;
};

// Writes the queued texts to the channel, one at a time, so that a statement never waits
// for a reader.
class TMonitorWriterThread : public TThread {
 public:
  explicit TMonitorWriterThread(TSQLMonitorChannel& channel) : fChannel(channel) {}
  ~TMonitorWriterThread() override;

  void Enqueue(std::unique_ptr<TFIBTraceObject> trace);
  // Ends the thread at its next look at the queue; what is still queued is dropped.
  void Stop();

 protected:
  void Execute() override;

 private:
  std::unique_ptr<TFIBTraceObject> TakeFirst();
  void DropAll();
  // Sleeps up to 50 ms, or until a text is queued or the thread is asked to end.
  void Idle();
  bool MayEnd();

  TSQLMonitorChannel& fChannel;
  std::mutex fQueueLock;
  std::condition_variable fQueueChanged;
  std::deque<std::unique_ptr<TFIBTraceObject>> fQueue;
  std::atomic<bool> fStop{false};
};

// One value of an execute or fetch trace line.
struct TFIBTraceValue {
  AnsiString Name;
  AnsiString Text;
};

// The value texts of execute and fetch traces. A value that cannot be converted to text
// gives "<Can't print value>".
AnsiString TraceValueText(const Variant& value, bool isCharacter, const char* nullText);
AnsiString TraceBlobText(const ISC_QUAD& blobId);
inline constexpr const char* TraceArrayText = "<ARRAY>";

// The process's monitor hook. Each operation does nothing unless the hook is enabled, the
// a reader is counted and the reader wants the kind; the caller
// passes the component's name as the texts show it (a dataset's statement as
// "Dataset.Statement"). Transactions are traced only when they have a default database:
// the caller leaves them out otherwise.
class TFIBSQLMonitorHook {
 public:
  TFIBSQLMonitorHook() = default;
  ~TFIBSQLMonitorHook();
  TFIBSQLMonitorHook(const TFIBSQLMonitorHook&) = delete;
  TFIBSQLMonitorHook& operator=(const TFIBSQLMonitorHook&) = delete;

  bool Enabled() const { return fEnabled.load(); }
  void SetEnabled(bool value) { fEnabled.store(value); }
  // The shared objects are mapped.
  bool ObjectsReady() const { return fObjectsReady.load(); }
  // The reader count of the mapped block; 0 before it is mapped.
  Integer ReaderCount() const;

  // plan: nullopt when the server could not give it.
  void SQLPrepare(const AnsiString& name, const AnsiString& sql, const std::optional<AnsiString>& plan);
  // rowsAffected: for inserts, updates and deletes; tickCount: the execution time in ms.
  void SQLExecute(const AnsiString& name, const AnsiString& sql, const std::vector<TFIBTraceValue>& params,
                  std::optional<Integer> rowsAffected, Cardinal tickCount);
  // endOfFile: the fetch found no more rows (then no values are shown).
  void SQLFetch(const AnsiString& name, const AnsiString& sql, const std::vector<TFIBTraceValue>& values,
                bool endOfFile);
  // A failed prepare or execution: kind says which, text names the statement and the error.
  void SQLFailure(const AnsiString& text, TFIBTraceKind kind);
  void DBConnect(const AnsiString& name);
  void DBDisconnect(const AnsiString& name);
  void TRStart(const AnsiString& name, Int64 id);
  void TRCommit(const AnsiString& name, Int64 id);
  void TRSavepoint(const AnsiString& name, Int64 id, const AnsiString& savepointName,
                   TFIBSavepointOperation operation);
  void TRCommitRetaining(const AnsiString& name, Int64 id);
  void TRRollback(const AnsiString& name, Int64 id);
  void TRRollbackRetaining(const AnsiString& name, Int64 id);
  void ServiceAttach(const AnsiString& name);
  void ServiceDetach(const AnsiString& name);
  void ServiceQuery(const AnsiString& name);
  void ServiceStart(const AnsiString& name);

  // Prefixes the text with the program's name and queues it for the writer thread.
  void WriteSQLData(const AnsiString& text, TFIBTraceKind kind);

  // Whether a trace of the kind would be written: the hook enabled and a reader counted
  // that wants the kind. A trace of every row asks first, before it builds its texts.
  bool Wants(TFIBTraceKind kind);

 private:
  void Trace(TFIBTraceKind kind, const std::function<AnsiString()>& text);
  void TraceTransaction(const AnsiString& name, Int64 id, const char* what);
  bool EnsureObjects();
  void QueueText(const AnsiString& text, TFIBTraceKind kind);
  void FreeWriterThread();

  std::atomic<bool> fEnabled{true};
  std::atomic<bool> fObjectsReady{false};
  std::mutex fLock;  // the channel and the writer thread
  std::unique_ptr<TSQLMonitorChannel> fChannel;
  std::unique_ptr<TMonitorWriterThread> fWriter;
};

// The hook, made on first use; nullptr once the process has begun to end.
TFIBSQLMonitorHook* MonitorHook();
// Whether tracing may be wanted at all: the hook is enabled, and the shared block is not
// mapped yet or a reader is counted. Callers test it before building anything for the hook.
bool MonitoringActive();
// Calls `trace` with the hook when monitoring is active.
void TraceToMonitor(const std::function<void(TFIBSQLMonitorHook&)>& trace);

}  // namespace ordvane
