#pragma once
// An outside monitor program for the tests of the SQL trace channel, written from the
// layout of the shared block alone (offsets and the handshake), not from the writer's
// code; only the objects' names come from the library, whose rule the monitor tests pin.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "classlib/core/FileUtils.h"
#include "classlib/core/IPC.h"
#include "dbclient/FIBSQLMonitor.h"

namespace ordvane {

struct Chunk {
  int kind;
  double timeStamp;
  std::string text;
};

// An outside monitor program: counts itself as a reader and answers the writer's
// handshake. Every wait is bounded, so a writer that fails cannot hang the test.
class TraceReader {
 public:
  // switches: transactions, connects, fetches, executes, prepares (offsets 2012..2028).
  explicit TraceReader(std::vector<int> switches = {1, 1, 1, 1, 1})
      : fBlock(SQLMonitorObjectName("SharedMem"), 2048),
        fMutex(SQLMonitorObjectName("Mutex")),
        fWriteEvent(SQLMonitorObjectName("WriteEvent"), false),
        fWriteFinishedEvent(SQLMonitorObjectName("WriteFinishedEvent"), true),
        fReadEvent(SQLMonitorObjectName("ReadEvent"), false),
        fReadFinishedEvent(SQLMonitorObjectName("ReadFinishedEvent"), false) {
    for (std::size_t i = 0; i < switches.size(); ++i) Field(2012 + 4 * i).store(switches[i]);
  }
  ~TraceReader() {
    if (fRegistered) Unregister();
  }

  void Register() {
    Field(2044).fetch_add(1);
    fRegistered = true;
  }
  void Unregister() {
    int readers = Field(2044).load();
    while (readers > 0 && !Field(2044).compare_exchange_weak(readers, readers - 1)) {
    }
    fRegistered = false;
  }
  int Readers() { return Field(2044).load(); }
  std::atomic_ref<int> Field(std::size_t offset) {
    return std::atomic_ref<int>(*reinterpret_cast<int*>(static_cast<char*>(fBlock.Memory()) + offset));
  }

  // Tells the writer this reader is ready for the next chunk.
  bool AnnounceReady(Cardinal timeout) {
    if (fWriteFinishedEvent.WaitFor(timeout) != wrSignaled) return false;
    if (Field(2040).fetch_add(1) + 1 >= Field(2044).load()) fReadEvent.SetEvent();
    return true;
  }

  std::optional<Chunk> ReadChunk(Cardinal timeout = 5000) {
    if (!fAnnounced && !(fAnnounced = AnnounceReady(timeout))) return std::nullopt;
    if (fWriteEvent.WaitFor(timeout) != wrSignaled) return std::nullopt;
    fAnnounced = false;
    const char* block = static_cast<const char*>(fBlock.Memory());
    Chunk chunk;
    chunk.kind = Field(2036).load();
    std::memcpy(&chunk.timeStamp, block + 2004, 8);
    const int length = Field(2032).load();
    EXPECT_GE(length, 1);
    EXPECT_LE(length, 2002);
    chunk.text.assign(block, static_cast<std::size_t>(std::clamp(length, 0, 2002)));
    if (Field(2040).fetch_sub(1) - 1 == 0) fReadFinishedEvent.SetEvent();
    return chunk;
  }

  // The chunks of the next text of this test program (texts of other programs that
  // happen to trace meanwhile are passed over): a text ends with its first chunk shorter
  // than 2002 bytes. Nothing when none comes in time.
  std::vector<Chunk> ReadText(Cardinal timeout = 5000) {
    std::vector<Chunk> chunks;
    for (;;) {
      std::optional<Chunk> chunk = ReadChunk(timeout);
      if (!chunk) return {};
      if (chunk->text.starts_with("\r\n[Application:")) chunks.clear();
      const bool last = chunk->text.size() < 2002;
      chunks.push_back(std::move(*chunk));
      if (last) {
        if (chunks.front().text.starts_with(Prefix())) return chunks;
        chunks.clear();
      }
    }
  }

  static std::string Prefix() { return "\r\n[Application:" + ParamStr(0) + "]\r\n"; }
  static std::string TextOf(const std::vector<Chunk>& chunks) {
    std::string text;
    for (const Chunk& chunk : chunks) text += chunk.text;
    return text;
  }

  // The next text without the program prefix, with its kind; "" when none came.
  std::string NextBody(int* kind = nullptr) {
    std::vector<Chunk> chunks = ReadText();
    if (chunks.empty()) return "";
    if (kind) *kind = chunks.front().kind;
    return TextOf(chunks).substr(Prefix().size());
  }

 private:
  TSharedMemory fBlock;
  TNamedMutex fMutex;
  TNamedEvent fWriteEvent, fWriteFinishedEvent, fReadEvent, fReadFinishedEvent;
  bool fRegistered = false;
  bool fAnnounced = false;
};

}  // namespace ordvane
