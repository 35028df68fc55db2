#pragma once
// What the dataset-framework tests share: an in-memory dataset that writes every call of
// the record-buffer protocol and every event into a log, and a data link that writes what
// it is told. Tests compare the log with the call order the datasets rely on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/MemDataSet.h"

namespace ordvane::test {

using TLog = std::vector<std::string>;

inline const char* ModeName(TGetMode mode) {
  static const char* const names[] = {"Current", "Next", "Prior"};
  return names[mode];
}

inline const char* ResultName(TGetResult result) {
  static const char* const names[] = {"OK", "BOF", "EOF", "Error"};
  return names[result];
}

class TLoggingDataSet : public TMemDataSet {
  ORDVANE_CLASS(TLoggingDataSet, TMemDataSet)

 public:
  TLoggingDataSet(TComponent* owner, TLog* log) : TMemDataSet(owner), fLog(log) {
    const auto hook = [this](TDataSetNotifyEvent& event, const char* name) {
      event = [this, name](TDataSet*) { Write(name); };
    };
    hook(BeforeOpen, "BeforeOpen");
    hook(AfterOpen, "AfterOpen");
    hook(BeforeClose, "BeforeClose");
    hook(AfterClose, "AfterClose");
    hook(BeforeInsert, "BeforeInsert");
    hook(AfterInsert, "AfterInsert");
    hook(BeforeEdit, "BeforeEdit");
    hook(AfterEdit, "AfterEdit");
    hook(BeforePost, "BeforePost");
    hook(AfterPost, "AfterPost");
    hook(BeforeCancel, "BeforeCancel");
    hook(AfterCancel, "AfterCancel");
    hook(BeforeDelete, "BeforeDelete");
    hook(AfterDelete, "AfterDelete");
    hook(BeforeScroll, "BeforeScroll");
    hook(AfterScroll, "AfterScroll");
    hook(BeforeRefresh, "BeforeRefresh");
    hook(AfterRefresh, "AfterRefresh");
    hook(OnNewRecord, "OnNewRecord");
  }
  ~TLoggingDataSet() override {
    Destroying();
    Close();
  }

  // Writes the line when logging is on.
  void Write(const std::string& line) {
    if (fLogging) fLog->push_back(line);
  }
  void SetLogging(bool value) { fLogging = value; }

  using TDataSet::Buffers;
  using TDataSet::CalcBuffer;

 protected:
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    const TGetResult result = TMemDataSet::GetRecord(buffer, mode, doCheck);
    Write(std::string("GetRecord(") + ModeName(mode) + ")=" + ResultName(result));
    return result;
  }
  void InternalOpen() override {
    Write("InternalOpen");
    TMemDataSet::InternalOpen();
  }
  void InternalClose() override {
    Write("InternalClose");
    TMemDataSet::InternalClose();
  }
  void InternalFirst() override {
    Write("InternalFirst");
    TMemDataSet::InternalFirst();
  }
  void InternalLast() override {
    Write("InternalLast");
    TMemDataSet::InternalLast();
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    Write("InternalSetToRecord");
    TMemDataSet::InternalSetToRecord(buffer);
  }
  void InternalGotoBookmark(const void* bookmark) override {
    Write("InternalGotoBookmark");
    TMemDataSet::InternalGotoBookmark(bookmark);
  }
  void InternalInitRecord(TRecordBuffer buffer) override {
    Write("InternalInitRecord");
    TMemDataSet::InternalInitRecord(buffer);
  }
  void InternalInsert() override { Write("InternalInsert"); }
  void InternalEdit() override { Write("InternalEdit"); }
  void InternalCancel() override { Write("InternalCancel"); }
  void InternalRefresh() override { Write("InternalRefresh"); }
  void InternalPost() override {
    Write("InternalPost");
    TMemDataSet::InternalPost();
  }
  void InternalDelete() override {
    Write("InternalDelete");
    TMemDataSet::InternalDelete();
  }
  void DoOnCalcFields() override {
    Write("OnCalcFields");
    TMemDataSet::DoOnCalcFields();
  }

 private:
  TLog* fLog;
  bool fLogging = true;
};

inline const char* DataEventName(TDataEvent event) {
  static const char* const names[] = {"FieldChange",       "RecordChange",   "DataSetChange",  "DataSetScroll",
                                      "LayoutChange",      "UpdateRecord",   "UpdateState",    "CheckBrowseMode",
                                      "PropertyChange",    "FieldListChange", "FocusControl",  "ParentScroll",
                                      "ConnectChange",     "ReconcileError", "DisabledStateChange"};
  return names[event];
}

// A data link that writes what it is told, with its window at the time.
class TLoggingLink : public TDataLink {
 public:
  TLoggingLink(TLog* log, std::string name) : fLog(log), fName(std::move(name)) {}

  std::vector<TDataEvent> events;

 protected:
  void ActiveChanged() override { Write(std::string("ActiveChanged ") + (Active() ? "on" : "off")); }
  void DataSetChanged() override { Write("DataSetChanged"); }
  void DataSetScrolled(int distance) override { Write("DataSetScrolled " + std::to_string(distance)); }
  void EditingChanged() override { Write(std::string("EditingChanged ") + (Editing() ? "on" : "off")); }
  void LayoutChanged() override { Write("LayoutChanged"); }
  void RecordChanged(TField* field) override {
    Write("RecordChanged " + (field != nullptr ? field->FieldName() : std::string("-")));
  }
  void UpdateData() override { Write("UpdateData"); }
  void CheckBrowseMode() override { Write("CheckBrowseMode"); }
  void DataEvent(TDataEvent event, NativeInt info) override {
    events.push_back(event);
    if (event == deDisabledStateChange) Write("DisabledStateChange " + std::to_string(info));
    TDataLink::DataEvent(event, info);
  }

 private:
  void Write(const std::string& line) { fLog->push_back(fName + ": " + line); }
  TLog* fLog;
  std::string fName;
};

// Field definitions ID (integer) and NAME (string 20), and rows 1 .. count named "r<i>".
inline void FillNumbered(TMemDataSet& dataSet, int count) {
  dataSet.FieldDefs().Add("ID", ftInteger);
  dataSet.FieldDefs().Add("NAME", ftString, 20);
  dataSet.Open();
  for (int i = 1; i <= count; ++i) {
    std::vector<Variant> values;
    values.emplace_back(i);
    values.emplace_back("r" + std::to_string(i));
    dataSet.AppendRecord(values);
  }
  dataSet.First();
}

// The ID of every record in the link's window, in order.
inline std::vector<int> WindowIds(TDataLink& link) {
  std::vector<int> ids;
  TDataSet* dataSet = link.DataSet();
  const int saved = link.ActiveRecord();
  for (int i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    ids.push_back(dataSet->FieldByName("ID")->AsInteger());
  }
  link.SetActiveRecord(saved);
  return ids;
}

}  // namespace ordvane::test
