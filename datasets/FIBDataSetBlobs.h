#pragma once
// The blob streams of a dataset's records. A record keeps, per blob field, a 4-byte handle
// into the dataset's stream table (0: none); the table owns the streams. Handles are never
// given twice, so a record whose stream was released finds nothing and gets a fresh one.
// TFIBDSBlobStream is what the framework hands to a caller: a thin stream over the
// record's stream that tells the dataset of writes.
//
// A client blob is filled by OnFillClientBlob the first time its record's stream is asked
// for; writing it is the application's business at any time and never changes the record.

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "classlib/core/Events.h"
#include "dbclient/FIBBlobStream.h"

namespace ordvane {

class TFIBCustomDataSet;
class TField;

// Fills a client blob (a blob field the application, not the server, provides) when its
// stream is first asked for on a record.
using TFillClientBlobEvent = TEvent<void(TFIBCustomDataSet* dataSet, TField* field, TFIBBlobStream* stream)>;

// A blob field whose body lives only on the client.
bool IsClientBlobField(const TField* field);

class TFIBBlobStreamTable {
 public:
  using TStreamPtr = std::shared_ptr<TFIBBlobStream>;

  // A new stream under a handle of its own.
  Cardinal Add(TStreamPtr stream);
  // The stream of a handle, or nullptr.
  TStreamPtr Find(Cardinal handle) const;
  void Release(Cardinal handle);
  void Clear();
  Cardinal Count() const { return static_cast<Cardinal>(fStreams.size()); }
  // With a limit above 0: the handle becomes the newest in use; while more than limit
  // streams live, the oldest that may go (keep answers false) is released.
  template <class Keep>
  void Touch(Cardinal handle, Integer limit, Keep keep) {
    if (limit <= 0) return;
    auto found = fStreams.find(handle);
    if (found == fStreams.end()) return;
    fUse.splice(fUse.end(), fUse, found->second.use);
    for (auto it = fUse.begin(); it != fUse.end() && fStreams.size() > static_cast<std::size_t>(limit);) {
      const Cardinal oldest = *it++;
      if (oldest != handle && !keep(oldest)) Release(oldest);
    }
  }

 private:
  struct TEntry {
    TStreamPtr stream;
    std::list<Cardinal>::iterator use;
  };
  std::unordered_map<Cardinal, TEntry> fStreams;
  // Handles from the least to the most recently asked for.
  std::list<Cardinal> fUse;
  Cardinal fLastHandle = 0;
};

class TFIBDSBlobStream : public TStream {
  ORDVANE_CLASS(TFIBDSBlobStream, TStream)

 public:
  // Positioned at 0; in bmWrite the blob is emptied first.
  TFIBDSBlobStream(TFIBCustomDataSet& dataSet, TField* field, std::shared_ptr<TFIBBlobStream> blob,
                   TBlobStreamMode mode);
  // A written stream not flushed by its writer is flushed here; an error of the field's
  // change handler then goes to the application, as it cannot reach the writer.
  ~TFIBDSBlobStream() override;

  // In dsOldValue the previous version is read.
  Int64 Read(void* buffer, Int64 count) override;
  // "Not editing." outside dsEdit and dsInsert, unless the field is a client blob.
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // A write: checked and marked as Write is.
  void SetSize(Int64 newSize) override;
  // A stream that was written tells the field and the controls once; the field's change
  // handler may raise.
  void Flush() override;
  bool Modified() const { return fModified; }
  TFIBBlobStream* Blob() const { return fBlob.get(); }

 private:
  // The dataset's check and marks of a write.
  void StartWrite();
  // The field-change event of a written stream, once.
  void TellFieldChanged();

  TFIBCustomDataSet& fDataSet;
  TField* fField;
  std::shared_ptr<TFIBBlobStream> fBlob;
  bool fModified = false;
};

}  // namespace ordvane
