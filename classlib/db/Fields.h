#pragma once
// Fields: the typed view of one column of a dataset's current record, and the list of a
// dataset's fields.
//
// A field never holds its value. Reads and writes go to the dataset (GetData/SetData),
// which finds the value in the record buffer that its state selects. Values cross that
// boundary in the framework's native formats (see the field classes); the field classes
// turn them into text, numbers, dates and variants.

#include <vector>

#include "classlib/core/Events.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TDataSet;
class TField;

using TFieldNotifyEvent = TEvent<void(TField* sender)>;
using TFieldGetTextEvent = TEvent<void(TField* sender, AnsiString& text, bool displayText)>;
using TFieldSetTextEvent = TEvent<void(TField* sender, const AnsiString& text)>;

class TField : public TComponent {
  ORDVANE_CLASS(TField, TComponent)

 public:
  explicit TField(TComponent* owner);
  // A field that dies while its dataset is open closes the dataset first, so that no
  // control keeps reading a record through it.
  ~TField() override;

  TDataSet* DataSet() const { return fDataSet; }
  // Moves the field into the dataset's field list (out of its previous one). Both
  // datasets must be closed ("Cannot perform this operation on an open dataset"), and the
  // new one must not have another field of the same name.
  void SetDataSet(TDataSet* dataSet);

  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& name);
  // 1-based number of the field's column in the records; 0 unbound, -1 for calculated
  // and lookup fields. Set when the dataset binds its fields.
  Integer FieldNo() const { return fFieldNo; }
  // Position in the dataset's field list.
  int Index() const;
  void SetIndex(int index);
  TFieldKind FieldKind() const { return fFieldKind; }
  void SetFieldKind(TFieldKind kind);
  TFieldType DataType() const { return fDataType; }
  Integer Size() const { return fSize; }
  // The dataset must be closed; CheckTypeSize decides what the class accepts.
  void SetSize(Integer size);
  // Bytes the value takes in the native format.
  Integer DataSize() const { return GetDataSize(); }
  // For calculated and lookup fields, where the value lies in the dataset's calculated
  // area; for blob fields, the field's number among the blob fields.
  Integer Offset() const { return fOffset; }

  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);
  bool Required() const { return fRequired; }
  void SetRequired(bool value) { fRequired = value; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  // The label shown for the field: DisplayLabel when set, else FieldName.
  AnsiString DisplayLabel() const { return DisplayName(); }
  void SetDisplayLabel(const AnsiString& label);
  AnsiString DisplayName() const { return fDisplayLabel.empty() ? fFieldName : fDisplayLabel; }
  // Characters a column shows; a class default until set.
  Integer DisplayWidth() const { return fDisplayWidth > 0 ? fDisplayWidth : GetDefaultWidth(); }
  void SetDisplayWidth(Integer width);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment alignment);
  const AnsiString& EditMask() const { return fEditMask; }
  void SetEditMask(const AnsiString& mask) { fEditMask = mask; }
  const AnsiString& Origin() const { return fOrigin; }
  void SetOrigin(const AnsiString& origin) { fOrigin = origin; }
  const AnsiString& DefaultExpression() const { return fDefaultExpression; }
  void SetDefaultExpression(const AnsiString& expression) { fDefaultExpression = expression; }

  // Lookup: the value of LookupResultField of the record of LookupDataSet whose
  // LookupKeyFields equal this dataset's KeyFields (names separated by ';').
  bool Lookup() const { return fFieldKind == fkLookup; }
  const AnsiString& KeyFields() const { return fKeyFields; }
  void SetKeyFields(const AnsiString& names);
  TDataSet* LookupDataSet() const { return fLookupDataSet; }
  void SetLookupDataSet(TDataSet* dataSet);
  const AnsiString& LookupKeyFields() const { return fLookupKeyFields; }
  void SetLookupKeyFields(const AnsiString& names);
  const AnsiString& LookupResultField() const { return fLookupResultField; }
  void SetLookupResultField(const AnsiString& name);

  virtual bool IsBlob() const { return false; }
  bool IsNull() { return GetIsNull(); }
  bool CanModify() { return GetCanModify(); }
  // Whether a control may let the user type the character into the field.
  virtual bool IsValidChar(char ch) const;

  // Values. A class answers the accessors that make sense for its type; the others raise
  // EDatabaseError "Cannot access field '%s' as type %s".
  AnsiString AsString() { return GetAsString(); }
  virtual void SetAsString(const AnsiString& value);
  Integer AsInteger() { return GetAsInteger(); }
  virtual void SetAsInteger(Integer value);
  double AsFloat() { return GetAsFloat(); }
  virtual void SetAsFloat(double value);
  Currency AsCurrency() { return GetAsCurrency(); }
  virtual void SetAsCurrency(Currency value);
  bool AsBoolean() { return GetAsBoolean(); }
  virtual void SetAsBoolean(bool value);
  TDateTime AsDateTime() { return GetAsDateTime(); }
  virtual void SetAsDateTime(TDateTime value);
  Int64 AsLargeInt() { return GetAsLargeInt(); }
  virtual void SetAsLargeInt(Int64 value);
  // Null when the field is null.
  Variant AsVariant() { return GetAsVariant(); }
  // Null or Unassigned clears the field; anything else goes to SetVarValue.
  void SetAsVariant(const Variant& value);
  Variant Value() { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }

  // The value in the record's states: before the edit, as being written, as stored.
  Variant OldValue();
  Variant NewValue();
  void SetNewValue(const Variant& value);
  Variant CurValue();

  // Text for editing (OnGetText with displayText false, else GetText) and for showing.
  AnsiString Text();
  AnsiString DisplayText();
  // OnSetText when assigned, else SetAsString.
  void SetText(const AnsiString& text);

  void Clear() { SetData(nullptr); }

  // The value in the native format (nativeFormat) or in the field's own (see
  // TDataSet::DataConvert); false when null. A null buffer only asks for presence.
  bool GetData(void* buffer, bool nativeFormat = true);
  // Writes the value (nullptr for null). The dataset must be in a state that writes this
  // kind of field, else EDatabaseError "Dataset not in edit or insert mode" and nothing
  // is written.
  void SetData(const void* buffer, bool nativeFormat = true);
  // Runs OnValidate for a value about to be written (native format, nullptr for null);
  // meanwhile the field reads that value. Datasets call it from SetFieldData.
  void Validate(const void* buffer);
  // Fires OnChange; the dataset calls it when the field's value changed.
  void Change();
  // Asks the controls showing the field to take the focus.
  void FocusControl();

  // From another field: its value. Nothing clears this field.
  void Assign(const TPersistent* source) override;

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

 protected:
  void SetDataType(TFieldType type) { fDataType = type; }
  // The sizes the class accepts; the base accepts only 0 ("Invalid field size").
  virtual void CheckTypeSize(Integer size) const;
  virtual Integer GetDataSize() const { return 0; }
  virtual Integer GetDefaultWidth() const { return 10; }
  virtual bool GetIsNull() { return !GetData(nullptr); }
  virtual bool GetCanModify();

  virtual AnsiString GetAsString();
  virtual Integer GetAsInteger();
  virtual double GetAsFloat();
  virtual Currency GetAsCurrency();
  virtual bool GetAsBoolean();
  virtual TDateTime GetAsDateTime();
  virtual Int64 GetAsLargeInt();
  virtual Variant GetAsVariant();
  virtual void SetVarValue(const Variant& value);
  virtual void GetText(AnsiString& text, bool displayText);

  // The native value of the field when it is not null; false when null. buffer must hold
  // DataSize bytes.
  bool ReadNative(void* buffer) { return GetData(buffer, true); }
  [[noreturn]] void AccessError(const char* typeName) const;
  // Tells the controls that a property they show changed (a layout change when the
  // columns are affected).
  void PropertyChanged(bool layoutAffected);
  void CheckInactive() const;
  // The dataset's state writes this kind of field, else EDatabaseError "Dataset not in
  // edit or insert mode".
  void CheckWritable() const;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TFields;

  TDataSet* fDataSet = nullptr;
  AnsiString fFieldName;
  Integer fFieldNo = 0;
  TFieldKind fFieldKind = fkData;
  TFieldType fDataType = ftUnknown;
  Integer fSize = 0;
  Integer fOffset = 0;
  bool fReadOnly = false;
  bool fRequired = false;
  bool fVisible = true;
  AnsiString fDisplayLabel;
  Integer fDisplayWidth = 0;
  TAlignment fAlignment = taLeftJustify;
  AnsiString fEditMask;
  AnsiString fOrigin;
  AnsiString fDefaultExpression;
  AnsiString fKeyFields;
  TDataSet* fLookupDataSet = nullptr;
  AnsiString fLookupKeyFields;
  AnsiString fLookupResultField;
  // While OnValidate runs: the value being written.
  bool fValidating = false;
  const void* fValidateBuffer = nullptr;
};

// A field class: its class reference and how to make one, for the dataset's
// GetFieldClass. An empty one means "no class".
class TFieldClass {
 public:
  TFieldClass() = default;

  template <class Field>
  static TFieldClass Of() {
    static_assert(std::is_base_of_v<TField, Field>);
    return TFieldClass(Field::StaticClass(), [](TComponent* owner) -> TField* { return new Field(owner); });
  }

  explicit operator bool() const { return fClass != nullptr; }
  TClass Class() const { return fClass; }
  TField* Create(TComponent* owner) const { return fFactory(owner); }

 private:
  using Factory = TField* (*)(TComponent* owner);
  TFieldClass(TClass fieldClass, Factory factory) : fClass(fieldClass), fFactory(factory) {}
  TClass fClass = nullptr;
  Factory fFactory = nullptr;
};

// The fields of a dataset in their order. The list does not own its fields: a field is
// a component of its owner, and leaves the list when it dies.
class TFields : public TObject {
  ORDVANE_CLASS(TFields, TObject)

 public:
  explicit TFields(TDataSet* dataSet) : fDataSet(dataSet) {}

  TDataSet* DataSet() const { return fDataSet; }
  int Count() const { return static_cast<int>(fList.size()); }
  // EListError "List index out of bounds (<index>)" outside the list.
  TField* Fields(int index) const {
    if (index < 0 || index >= Count()) [[unlikely]]
      IndexOutOfBounds(index);
    return fList[static_cast<std::size_t>(index)];
  }
  TField* operator[](int index) const { return Fields(index); }
  int IndexOf(const TField* field) const;
  // By name, case-insensitively (the locale's rule); nullptr when absent.
  TField* FindField(const AnsiString& name) const;
  // EDatabaseError "Field '%s' not found" (with the dataset's name) when absent.
  TField* FieldByName(const AnsiString& name) const;
  // The field bound to the column of that number, or nullptr.
  TField* FieldByNumber(Integer fieldNo) const;

  std::vector<TField*>::const_iterator begin() const { return fList.begin(); }
  std::vector<TField*>::const_iterator end() const { return fList.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Add(TField* field) { fList.push_back(field); }
  void Remove(TField* field);
  void Move(TField* field, int index);
  // Deletes every field, last first.
  void DeleteAll();
  [[noreturn]] static void IndexOutOfBounds(int index);

  TDataSet* fDataSet;
  std::vector<TField*> fList;
};

}  // namespace ordvane
