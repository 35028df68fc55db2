// TSTColumnFilterEh: what the filter row and the filter builders ask of a column's
// filter (its text parsed in the column's value class, the field name and operands).

#include "classlib/core/StringLists.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhColumns.h"

namespace ordvane {

namespace {

bool HasItems(TStrings* list) {
  return list != nullptr && list->Count() > 0;
}

}  // namespace

TSTOperandTypeEh TSTColumnFilterEh::OperandType() {
  TField* field = fColumn->Field();
  if (field == nullptr) return botNon;
  if (FiltersThroughList()) {
    TField* shown = fListSource->DataSet()->FindField(fListField);
    return shown != nullptr ? STOperandTypeOfFieldType(shown->DataType()) : botString;
  }
  if (HasItems(fColumn->KeyList()) && HasItems(fColumn->PickList())) return botString;
  return STOperandTypeOfFieldType(field->DataType());
}

void TSTColumnFilterEh::SetExpressionStr(const AnsiString& text) {
  TSTFilterExpressionEh expression;
  expression.ExpressionType = OperandType();
  ParseFilterExpression(text, expression);
  StoreExpression(text, expression);
}

bool TSTColumnFilterEh::IsSingleTypedOperand() const {
  const TSTFilterOperatorEh bareValueOperator = fExpression.ExpressionType == botString ? foLike : foEqual;
  return fExpression.Relation == foNon && fExpression.Operator1 == bareValueOperator &&
         !VarIsNull(fExpression.Operand1) && !VarIsArray(fExpression.Operand1);
}

bool TSTColumnFilterEh::FiltersThroughList() const {
  return fListSource != nullptr && fListSource->DataSet() != nullptr && !fKeyField.empty() && !fListField.empty();
}

TField* TSTColumnFilterEh::FilteredField() {
  TField* field = fColumn->Field();
  if (field == nullptr || field->FieldKind() != fkLookup || !FiltersThroughList()) return field;
  return field->DataSet()->FieldByName(field->KeyFields());
}

AnsiString TSTColumnFilterEh::GetFilterFieldName() {
  if (!fDataField.empty()) return fDataField;
  TField* field = FilteredField();
  return field != nullptr ? field->FieldName() : fColumn->FieldName();
}

void TSTColumnFilterEh::SetListSource(TDataSource* value) {
  fListSource = value;
  // The cached values belong to the old source's dataset, which may be going.
  fListValues.reset();
  if (TCustomDBGridEh* grid = fColumn->Grid()) grid->WatchComponent(value);
}

TStrings* TSTColumnFilterEh::ListValues() {
  TDataSet* dataSet = fListSource != nullptr ? fListSource->DataSet() : nullptr;
  if (dataSet == nullptr) return nullptr;
  if (!fListValues) fListValues = std::make_unique<TDatasetFieldValueListEh>();
  fListValues->SetDataSet(dataSet);
  fListValues->SetFieldName(fListField.empty() ? GetFilterFieldName() : fListField);
  return fListValues->Values();
}

Variant TSTColumnFilterEh::GetOperand1() {
  TStrings* keys = fColumn->KeyList();
  TStrings* picks = fColumn->PickList();
  if (!HasItems(keys) || !HasItems(picks) || VarIsNull(fExpression.Operand1)) return fExpression.Operand1;
  const auto keyOf = [&](const Variant& shown) {
    const int index = picks->IndexOf(VarToStr(shown));
    return index >= 0 && index < keys->Count() ? Variant(keys->Strings(index)) : shown;
  };
  if (!VarIsArray(fExpression.Operand1)) return keyOf(fExpression.Operand1);
  Variant keysOfList = fExpression.Operand1;
  for (Integer i = VarArrayLowBound(keysOfList, 1); i <= VarArrayHighBound(keysOfList, 1); ++i)
    VarArrayPut(keysOfList, keyOf(VarArrayGet(fExpression.Operand1, {i})), {i});
  return keysOfList;
}

}  // namespace ordvane
