#include "dbclient/FIBSQLMonitor.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SyncObjs.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

constexpr std::size_t kBlockSize = 2048;
constexpr std::size_t kTimeStampOffset = 2004;
constexpr std::size_t kTransactionSwitchOffset = 2012;
constexpr std::size_t kConnectSwitchOffset = 2016;
constexpr std::size_t kFetchSwitchOffset = 2020;
constexpr std::size_t kExecuteSwitchOffset = 2024;
constexpr std::size_t kPrepareSwitchOffset = 2028;
constexpr std::size_t kChunkLengthOffset = 2032;
constexpr std::size_t kKindOffset = 2036;
constexpr std::size_t kAcknowledgeOffset = 2040;
constexpr std::size_t kReaderCountOffset = 2044;

constexpr Cardinal kHandshakeTimeout = 1000;
constexpr Cardinal kMutexPollInterval = 50;
constexpr auto kIdleInterval = std::chrono::milliseconds(50);

const char* const kLineBreak = "\r\n";

// Opens the named object, turning a failure into the client error the library reports
// for shared resources.
template <class T, class... Args>
std::unique_ptr<T> OpenShared(Args&&... args) {
  try {
    return std::make_unique<T>(std::forward<Args>(args)...);
  } catch (const EOSError& e) {
    FIBError(TFIBClientError::CannotCreateSharedResource, {e.ErrorCode()});
  }
}

// Finalisation of the unit: the hook is made on first use and goes when the process
// ends, before the class library's own process-wide objects (made earlier) go.
std::atomic<bool> gShutdown{false};
std::atomic<TFIBSQLMonitorHook*> gHook{nullptr};
std::mutex gHookLock;

struct TMonitorFinalization {
  ~TMonitorFinalization() {
    gShutdown.store(true);
    std::lock_guard guard(gHookLock);
    delete gHook.exchange(nullptr);
  }
};

const AnsiString& ApplicationPrefix() {
  static const AnsiString prefix = AnsiString(kLineBreak) + "[Application:" + ParamStr(0) + "]" + kLineBreak;
  return prefix;
}

}  // namespace

AnsiString EncodeTraceText(const AnsiString& text) {
  AnsiString result;
  result.reserve(text.size());
  for (unsigned char c : text) {
    if (c >= 32 || c == 9 || c == 10 || c == 13) {
      result += static_cast<char>(c);
    } else {
      result += "#$" + IntToHex(Integer{c}, 2);
    }
  }
  return result;
}

AnsiString SQLMonitorObjectName(const char* part) {
  const char* channel = std::getenv("ORDVANE_SQL_MONITOR_CHANNEL");
  const AnsiString name = AnsiString("FIB.SQL.MONITOR.") + part;
  return channel != nullptr && *channel != '\0' ? AnsiString(channel) + "." + name : name;
}

// --- TSQLMonitorChannel -------------------------------------------------------------------

TSQLMonitorChannel::TSQLMonitorChannel() {
  fBlock = OpenShared<TSharedMemory>(SQLMonitorObjectName("SharedMem"), kBlockSize);
  fMutex = OpenShared<TNamedMutex>(SQLMonitorObjectName("Mutex"));
  fWriteEvent = OpenShared<TNamedEvent>(SQLMonitorObjectName("WriteEvent"), false);
  fWriteFinishedEvent = OpenShared<TNamedEvent>(SQLMonitorObjectName("WriteFinishedEvent"), true);
  fReadEvent = OpenShared<TNamedEvent>(SQLMonitorObjectName("ReadEvent"), false);
  fReadFinishedEvent = OpenShared<TNamedEvent>(SQLMonitorObjectName("ReadFinishedEvent"), false);
  if (!fBlock->AlreadyExisted()) {
    for (std::size_t offset = kTransactionSwitchOffset; offset <= kChunkLengthOffset; offset += 4)
      Store(offset, 0);
    Store(kAcknowledgeOffset, 0);
    Store(kReaderCountOffset, 0);
  }
  // A reader that died half-way may have left a count below zero.
  for (std::size_t offset : {kAcknowledgeOffset, kReaderCountOffset}) {
    std::atomic_ref<Integer> counter = Counter(offset);
    Integer value = counter.load();
    while (value < 0 && !counter.compare_exchange_weak(value, 0)) {
    }
  }
}

std::atomic_ref<Integer> TSQLMonitorChannel::Counter(std::size_t offset) const {
  return std::atomic_ref<Integer>(
      *static_cast<Integer*>(static_cast<void*>(static_cast<char*>(fBlock->Memory()) + offset)));
}

Integer TSQLMonitorChannel::Load(std::size_t offset) const {
  return Counter(offset).load();
}

void TSQLMonitorChannel::Store(std::size_t offset, Integer value) const {
  Counter(offset).store(value);
}

Integer TSQLMonitorChannel::DecrementAbove0(std::size_t offset) const {
  std::atomic_ref<Integer> counter = Counter(offset);
  Integer value = counter.load();
  while (value > 0 && !counter.compare_exchange_weak(value, value - 1)) {
  }
  return value;
}

Integer TSQLMonitorChannel::ReaderCount() const {
  return Load(kReaderCountOffset);
}

bool TSQLMonitorChannel::KindWanted(TFIBTraceKind kind) const {
  switch (kind) {
    case TFIBTraceKind::Prepare:
      return Load(kPrepareSwitchOffset) >= 1;
    case TFIBTraceKind::Execute:
      return Load(kExecuteSwitchOffset) >= 1;
    case TFIBTraceKind::Fetch:
      return Load(kFetchSwitchOffset) >= 1;
    case TFIBTraceKind::Connect:
      return Load(kConnectSwitchOffset) >= 1;
    case TFIBTraceKind::Transaction:
      return Load(kTransactionSwitchOffset) >= 1;
    case TFIBTraceKind::Service:
      return true;
  }
  return false;
}

void TSQLMonitorChannel::Write(const TFIBTraceObject& trace, const std::atomic<bool>& stop) {
  TWaitResult acquired;
  while ((acquired = fMutex->Acquire(kMutexPollInterval)) == wrTimeout) {
    if (stop.load()) return;
  }
  // An abandoned mutex is ours now: the block is rewritten whole for each chunk anyway.
  if (acquired == wrError) return;
  if (ReaderCount() >= 1) {
    const AnsiString encoded = EncodeTraceText(trace.Text());
    for (std::size_t start = 0; start < encoded.size(); start += ChunkSize) {
      WriteChunk(trace, encoded.data() + start, std::min(ChunkSize, encoded.size() - start));
      Handshake();
    }
  }
  fMutex->Release();
}

void TSQLMonitorChannel::WriteChunk(const TFIBTraceObject& trace, const char* chunk, std::size_t length) {
  char* block = static_cast<char*>(fBlock->Memory());
  Store(kKindOffset, static_cast<Integer>(trace.Kind()));
  const TDateTime timeStamp = trace.TimeStamp();
  std::memcpy(block + kTimeStampOffset, &timeStamp, sizeof timeStamp);
  Store(kChunkLengthOffset, static_cast<Integer>(length));
  std::memcpy(block, chunk, length);
}

void TSQLMonitorChannel::Handshake() {
  WaitForReaders();
  // The readers' announcement is used up by this chunk. Left set (a reader that stopped
  // answering never clears it), it would send the next chunk before the live readers are
  // ready for it, and they would miss it.
  fReadEvent->ResetEvent();
  fWriteFinishedEvent->ResetEvent();
  fReadFinishedEvent->ResetEvent();
  fWriteEvent->SetEvent();
  WaitForAcknowledgements();
  fWriteEvent->ResetEvent();
  fWriteFinishedEvent->SetEvent();
}

void TSQLMonitorChannel::WaitForReaders() {
  // Each second without all readers ready drops one reader from the count, so a reader
  // that stopped answering holds the writer up once.
  for (;;) {
    TWaitResult waited = fReadEvent->WaitFor(kHandshakeTimeout);
    if (waited != wrTimeout) return;
    const Integer readers = DecrementAbove0(kReaderCountOffset);
    if (readers <= 0 || Load(kAcknowledgeOffset) >= readers - 1) fReadEvent->SetEvent();
  }
}

void TSQLMonitorChannel::WaitForAcknowledgements() {
  for (;;) {
    TWaitResult waited = fReadFinishedEvent->WaitFor(kHandshakeTimeout);
    if (waited != wrTimeout) return;
    if (DecrementAbove0(kAcknowledgeOffset) <= 1) fReadFinishedEvent->SetEvent();
  }
}

// --- TMonitorWriterThread -------------------------------------------------------------

TMonitorWriterThread::~TMonitorWriterThread() {
  Stop();
  TerminateAndWait();
}

void TMonitorWriterThread::Enqueue(std::unique_ptr<TFIBTraceObject> trace) {
  {
    std::lock_guard guard(fQueueLock);
    fQueue.push_back(std::move(trace));
  }
  fQueueChanged.notify_all();
}

void TMonitorWriterThread::Stop() {
  {
    std::lock_guard guard(fQueueLock);
    fStop.store(true);
  }
  fQueueChanged.notify_all();
}

std::unique_ptr<TFIBTraceObject> TMonitorWriterThread::TakeFirst() {
  std::lock_guard guard(fQueueLock);
  if (fQueue.empty()) return nullptr;
  auto first = std::move(fQueue.front());
  fQueue.pop_front();
  return first;
}

void TMonitorWriterThread::DropAll() {
  std::lock_guard guard(fQueueLock);
  fQueue.clear();
}

bool TMonitorWriterThread::MayEnd() {
  std::lock_guard guard(fQueueLock);
  return fStop.load() || (Terminated() && fQueue.empty());
}

void TMonitorWriterThread::Idle() {
  std::unique_lock lock(fQueueLock);
  fQueueChanged.wait_for(lock, kIdleInterval, [this] { return fStop.load() || !fQueue.empty(); });
}

void TMonitorWriterThread::Execute() {
  while (!MayEnd()) {
    if (fChannel.ReaderCount() < 1) {
      DropAll();
      Idle();
      continue;
    }
    if (auto trace = TakeFirst()) {
      fChannel.Write(*trace, fStop);
    } else {
      Idle();
    }
  }
}

// --- value texts ----------------------------------------------------------------------

AnsiString TraceValueText(const Variant& value, bool isCharacter, const char* nullText) {
  if (VarIsNull(value)) return nullText;
  AnsiString text;
  try {
    text = VarToStr(value);
  } catch (const Exception&) {
    return "<Can't print value>";
  }
  return isCharacter ? "'" + text + "'" : text;
}

AnsiString TraceBlobText(const ISC_QUAD& blobId) {
  return "<BLOB> (BLOB_ID=" + IntToStr(blobId.gds_quad_high) + "," + IntToStr(blobId.gds_quad_low) + ")";
}

// --- TFIBSQLMonitorHook ---------------------------------------------------------------

TFIBSQLMonitorHook::~TFIBSQLMonitorHook() {
  std::lock_guard guard(fLock);
  FreeWriterThread();
  fObjectsReady.store(false);
  fChannel.reset();
}

Integer TFIBSQLMonitorHook::ReaderCount() const {
  // The channel is made once and kept until the hook goes, so once ready it can be read
  // without the lock.
  return fObjectsReady.load() ? fChannel->ReaderCount() : 0;
}

bool TFIBSQLMonitorHook::EnsureObjects() {
  if (fObjectsReady.load()) return true;
  std::lock_guard guard(fLock);
  if (fObjectsReady.load()) return true;
  try {
    fChannel = std::make_unique<TSQLMonitorChannel>();
  } catch (const EFIBError&) {
    fEnabled.store(false);
    FreeWriterThread();
    return false;
  }
  fObjectsReady.store(true);
  return true;
}

bool TFIBSQLMonitorHook::Wants(TFIBTraceKind kind) {
  return Enabled() && EnsureObjects() && fChannel->ReaderCount() >= 1 && fChannel->KindWanted(kind);
}

void TFIBSQLMonitorHook::Trace(TFIBTraceKind kind, const std::function<AnsiString()>& text) {
  if (Wants(kind)) WriteSQLData(text(), kind);
}

void TFIBSQLMonitorHook::WriteSQLData(const AnsiString& text, TFIBTraceKind kind) {
  if (!EnsureObjects()) return;
  QueueText(ApplicationPrefix() + text, kind);
}

void TFIBSQLMonitorHook::QueueText(const AnsiString& text, TFIBTraceKind kind) {
  std::lock_guard guard(fLock);
  if (fChannel->ReaderCount() < 1) {
    FreeWriterThread();
    return;
  }
  if (!fWriter) {
    fWriter = std::make_unique<TMonitorWriterThread>(*fChannel);
    fWriter->Start();
  }
  fWriter->Enqueue(std::make_unique<TFIBTraceObject>(kind, text));
}

void TFIBSQLMonitorHook::FreeWriterThread() {
  fWriter.reset();
}

void TFIBSQLMonitorHook::SQLFailure(const AnsiString& text, TFIBTraceKind kind) {
  Trace(kind, [&] { return text; });
}

void TFIBSQLMonitorHook::SQLPrepare(const AnsiString& name, const AnsiString& sql,
                                    const std::optional<AnsiString>& plan) {
  Trace(TFIBTraceKind::Prepare, [&] {
    return name + ":[Prepare] " + sql + kLineBreak +
           (plan ? " Plan:" + *plan : AnsiString(" Plan:Can't retrieve plan "));
  });
}

namespace {

AnsiString ValueLines(const std::vector<TFIBTraceValue>& values) {
  AnsiString lines;
  for (const TFIBTraceValue& value : values) lines += kLineBreak + value.Name + " = " + value.Text;
  return lines;
}

}  // namespace

void TFIBSQLMonitorHook::SQLExecute(const AnsiString& name, const AnsiString& sql,
                                    const std::vector<TFIBTraceValue>& params,
                                    std::optional<Integer> rowsAffected, Cardinal tickCount) {
  Trace(TFIBTraceKind::Execute, [&] {
    AnsiString text = name + ":[Execute] " + sql + ValueLines(params);
    if (rowsAffected) text += kLineBreak + AnsiString("Rows Affected:") + IntToStr(*rowsAffected);
    return text + kLineBreak + "Execute tick count " + IntToStr(tickCount);
  });
}

void TFIBSQLMonitorHook::SQLFetch(const AnsiString& name, const AnsiString& sql,
                                  const std::vector<TFIBTraceValue>& values, bool endOfFile) {
  Trace(TFIBTraceKind::Fetch, [&] {
    return name + ":[Fetch] " + sql +
           (endOfFile ? kLineBreak + AnsiString(" End of file reached") : ValueLines(values));
  });
}

void TFIBSQLMonitorHook::DBConnect(const AnsiString& name) {
  Trace(TFIBTraceKind::Connect, [&] { return name + ":[Connect]"; });
}

void TFIBSQLMonitorHook::DBDisconnect(const AnsiString& name) {
  Trace(TFIBTraceKind::Connect, [&] { return name + ":[Disconnect]"; });
}

void TFIBSQLMonitorHook::TraceTransaction(const AnsiString& name, Int64 id, const char* what) {
  Trace(TFIBTraceKind::Transaction, [&] { return name + ":[" + what + "](" + IntToStr(id) + ")"; });
}

void TFIBSQLMonitorHook::TRStart(const AnsiString& name, Int64 id) {
  TraceTransaction(name, id, "Start transaction");
}

void TFIBSQLMonitorHook::TRCommit(const AnsiString& name, Int64 id) {
  TraceTransaction(name, id, "Commit (Hard commit)");
}

void TFIBSQLMonitorHook::TRCommitRetaining(const AnsiString& name, Int64 id) {
  TraceTransaction(name, id, "Commit retaining (Soft commit)");
}

void TFIBSQLMonitorHook::TRRollback(const AnsiString& name, Int64 id) {
  TraceTransaction(name, id, "Rollback");
}

void TFIBSQLMonitorHook::TRRollbackRetaining(const AnsiString& name, Int64 id) {
  TraceTransaction(name, id, "Rollback retaining (Soft rollback)");
}

void TFIBSQLMonitorHook::TRSavepoint(const AnsiString& name, Int64 id, const AnsiString& savepointName,
                                     TFIBSavepointOperation operation) {
  Trace(TFIBTraceKind::Transaction, [&] {
    const char* what = operation == TFIBSavepointOperation::Set          ? " [SetSavePoint(\""
                       : operation == TFIBSavepointOperation::RollbackTo ? " [RollBackToSavePoint(\""
                                                                         : " [ReleaseSavePoint(\"";
    return name + ":Transaction(" + IntToStr(id) + ")-" + what + savepointName + "\")]";
  });
}

void TFIBSQLMonitorHook::ServiceAttach(const AnsiString& name) {
  Trace(TFIBTraceKind::Service, [&] { return name + ":[Attach]"; });
}

void TFIBSQLMonitorHook::ServiceDetach(const AnsiString& name) {
  Trace(TFIBTraceKind::Service, [&] { return name + ":[Detach]"; });
}

void TFIBSQLMonitorHook::ServiceQuery(const AnsiString& name) {
  Trace(TFIBTraceKind::Service, [&] { return name + ":[Query]"; });
}

void TFIBSQLMonitorHook::ServiceStart(const AnsiString& name) {
  Trace(TFIBTraceKind::Service, [&] { return name + ":[Start]"; });
}

// --- process-wide ---------------------------------------------------------------------

TFIBSQLMonitorHook* MonitorHook() {
  if (TFIBSQLMonitorHook* hook = gHook.load()) return hook;
  std::lock_guard guard(gHookLock);
  if (gShutdown.load()) return nullptr;
  if (TFIBSQLMonitorHook* hook = gHook.load()) return hook;
  static TMonitorFinalization finalization;
  auto* hook = new TFIBSQLMonitorHook;
  gHook.store(hook);
  return hook;
}

bool MonitoringActive() {
  if (gShutdown.load()) return false;
  TFIBSQLMonitorHook* hook = gHook.load();
  if (hook != nullptr && !hook->Enabled()) return false;
  return !hook || !hook->ObjectsReady() || hook->ReaderCount() > 0;
}

void TraceToMonitor(const std::function<void(TFIBSQLMonitorHook&)>& trace) {
  if (!MonitoringActive()) return;
  if (TFIBSQLMonitorHook* hook = MonitorHook()) trace(*hook);
}

}  // namespace ordvane
