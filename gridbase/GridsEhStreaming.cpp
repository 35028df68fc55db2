#include "gridbase/GridsEhStreaming.h"

#include <initializer_list>
#include <mutex>

#include "classlib/db/DBStreaming.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/StdButtons.h"
#include "classlib/ui/StdCtrls.h"
#include "classlib/ui/UIStreaming.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/DBCtrlsEhCheckBox.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "gridbase/EditButtonsEh.h"
#include "gridbase/GridsEh.h"
#include "gridbase/MRUListEh.h"
#include "gridbase/SpecRowEh.h"

namespace ordvane {

namespace {

constexpr const char* kDateTimeKindNames[] = {"dtkDateEh", "dtkTimeEh", "dtkDateTimeEh", "dtkCustomEh"};
constexpr const char* kCharCaseNames[] = {"ecNormal", "ecUpperCase", "ecLowerCase"};
constexpr const char* kDropDownAlignNames[] = {"daLeft", "daRight", "daCenter"};
constexpr const char* kCheckBoxStateNames[] = {"cbUnchecked", "cbChecked", "cbGrayed"};
constexpr const char* kEditButtonStyleNames[] = {"ebsDropDownEh", "ebsEllipsisEh", "ebsGlyphEh",
                                                 "ebsUpDownEh",   "ebsPlusEh",     "ebsMinusEh"};

// One axis of a grid's extents: the widths of its columns or the heights of its rows.
struct ExtentsAxis {
  const char* Name;
  int (TCustomGridEh::*Count)() const;
  int (TCustomGridEh::*Extent)(int) const;
  void (TCustomGridEh::*SetExtent)(int, int);
  int (TCustomGridEh::*DefaultExtent)() const;
};

const ExtentsAxis kExtentsAxes[] = {
    {"ColWidths", &TCustomGridEh::ColCount, &TCustomGridEh::ColWidths, &TCustomGridEh::SetColWidths,
     &TCustomGridEh::DefaultColWidth},
    {"RowHeights", &TCustomGridEh::RowCount, &TCustomGridEh::RowHeights, &TCustomGridEh::SetRowHeights,
     &TCustomGridEh::DefaultRowHeight},
};

// Without an inherited grid the extents are written when one differs from the default.
bool ExtentsDiffer(const TCustomGridEh& grid, const TCustomGridEh* ancestor, const ExtentsAxis& axis) {
  const int count = (grid.*axis.Count)();
  if (ancestor != nullptr && (ancestor->*axis.Count)() != count) return true;
  for (int i = 0; i < count; ++i) {
    const int inherited = ancestor != nullptr ? (ancestor->*axis.Extent)(i) : (grid.*axis.DefaultExtent)();
    if ((grid.*axis.Extent)(i) != inherited) return true;
  }
  return false;
}

void DefineExtents(TFiler& filer, TPersistent& object) {
  auto& grid = static_cast<TCustomGridEh&>(object);
  const auto* ancestor = dynamic_cast<const TCustomGridEh*>(filer.Ancestor());
  for (const ExtentsAxis& axis : kExtentsAxes) {
    filer.DefineProperty(
        axis.Name,
        [&grid, &axis](TReader& reader) {
          reader.ReadListBegin();
          for (int i = 0; !reader.EndOfList(); ++i) {
            const auto extent =
                static_cast<int>(ValueToInteger(reader.ReadValue(), reader, -1, TGridExtents::kLimit));
            if (i >= (grid.*axis.Count)()) reader.Fail("more values than the grid has lines");
            (grid.*axis.SetExtent)(i, extent);
          }
          reader.ReadListEnd();
        },
        [&grid, &axis](TWriter& writer) {
          writer.WriteListBegin();
          for (int i = 0; i < (grid.*axis.Count)(); ++i) writer.WriteInteger((grid.*axis.Extent)(i));
          writer.WriteListEnd();
        },
        grid.SaveCellExtents() && ExtentsDiffer(grid, ancestor, axis));
  }
}

// The grid, the edits and the check box start with a colour of their own, so that taking
// the parent's is what a form has to say.
void RegisterOwnColours() {
  for (TClass cls : {TCustomGridEh::StaticClass(), TCustomEdit::StaticClass(), TButtonControl::StaticClass()})
    RedefaultStoredProperty(cls, "ParentColor", TFormValue::Boolean(false));
}

void RegisterEdits() {
  StoredProperties<TCustomEdit>()
      .Boolean("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, true)
      .Boolean("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize, true)
      .Enum("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle, kBorderStyleNames,
            bsSingle);
  StoredProperties<TCustomDBEditEh>()
      .Enum("Alignment", &TCustomDBEditEh::Alignment, &TCustomDBEditEh::SetAlignment, kAlignmentNames,
            std::nullopt)
      .Stored([](const TCustomDBEditEh& e) { return e.AlignmentAssigned(); })
      .Boolean("AlwaysShowBorder", &TCustomDBEditEh::AlwaysShowBorder, &TCustomDBEditEh::SetAlwaysShowBorder,
               false)
      .String("DataField", &TCustomDBEditEh::DataField, &TCustomDBEditEh::SetDataField, "")
      .Reference<TDataSource>("DataSource", &TCustomDBEditEh::DataSource, &TCustomDBEditEh::SetDataSource)
      .Object("EditButton", [](TCustomDBEditEh& e) { return e.EditButton(); })
      .Object("EditButtons", [](TCustomDBEditEh& e) { return e.EditButtons(); })
      .Boolean("Flat", &TCustomDBEditEh::Flat, &TCustomDBEditEh::SetFlat, false)
      .Boolean("HighlightRequired", &TCustomDBEditEh::HighlightRequired,
               &TCustomDBEditEh::SetHighlightRequired, false)
      .Reference<TCustomImageList>(
          "Images", [](const TCustomDBEditEh& e) { return e.EditImage()->Images(); },
          &TCustomDBEditEh::SetImages)
      .Object("MRUList", [](TCustomDBEditEh& e) { return e.MRUList(); })
      .Boolean("ReadOnly", &TCustomDBEditEh::ReadOnly, &TCustomDBEditEh::SetReadOnly, false)
      .Boolean("Tooltips", &TCustomDBEditEh::Tooltips, &TCustomDBEditEh::SetTooltips, false);
  // The button controls, their separators and the recent-values list the edit owns are
  // made by the edit itself, also when it is a form's root.
  RegisterOwnedPartsClass(TCustomDBEditEh::StaticClass());
  // The edit mask is the field's until set; only a mask set on the edit is stored.
  RegisterDefineProperties(TCustomDBEditEh::StaticClass(), [](TFiler& filer, TPersistent& object) {
    InheritedDefineProperties(filer, object, TCustomDBEditEh::StaticClass());
    auto& edit = static_cast<TCustomDBEditEh&>(object);
    filer.DefineProperty(
        "EditMask", [&edit](TReader& reader) { edit.SetEditMask(reader.ReadString()); },
        [&edit](TWriter& writer) { writer.WriteString(edit.EditMask()); }, edit.EditMaskAssigned());
  });
  // A date edit's mask follows from its kind and edit format, so it is not stored; the
  // edit format is, for the custom kind alone.
  StoredProperties<TCustomDBDateTimeEditEh>()
      .Enum("Kind", &TCustomDBDateTimeEditEh::Kind, &TCustomDBDateTimeEditEh::SetKind, kDateTimeKindNames,
            dtkDateEh)
      .Stored([](const TCustomDBDateTimeEditEh& e) { return e.Kind() != dtkCustomEh; });
  RegisterDefineProperties(TCustomDBDateTimeEditEh::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& edit = static_cast<TCustomDBDateTimeEditEh&>(object);
    filer.DefineProperty(
        "EditFormat", [&edit](TReader& reader) { edit.SetEditFormat(reader.ReadString()); },
        [&edit](TWriter& writer) { writer.WriteString(edit.EditFormat()); }, edit.Kind() == dtkCustomEh);
    // A bound edit shows its field's value; a standalone one keeps its own.
    filer.DefineProperty(
        "Value", [&edit](TReader& reader) { edit.SetValue(Variant(ValueToFloat(reader.ReadValue(), reader))); },
        [&edit](TWriter& writer) { writer.WriteValue(TFormValue::Float(edit.Value().AsDouble())); },
        edit.DataLink()->Standalone() && !VarIsNull(edit.Value()) && !VarIsEmpty(edit.Value()));
  });
  StoredProperties<TDropDownBoxEh>()
      .Enum("Align", &TDropDownBoxEh::Align, &TDropDownBoxEh::SetAlign, kDropDownAlignNames, daLeft)
      .Boolean("AutoDrop", &TDropDownBoxEh::AutoDrop, &TDropDownBoxEh::SetAutoDrop, false)
      .Integer("Rows", &TDropDownBoxEh::Rows, &TDropDownBoxEh::SetRows, 7)
      .Boolean("Sizable", &TDropDownBoxEh::Sizable, &TDropDownBoxEh::SetSizable, false)
      .Integer("Width", &TDropDownBoxEh::Width, &TDropDownBoxEh::SetWidth, 0);
  using C = TCustomDBComboBoxEh;
  StoredProperties<C>()
      .Enum("CharCase", &C::CharCase, &C::SetCharCase, kCharCaseNames, ecNormal)
      .Object("DropDownBox", [](C& c) { return c.DropDownBox(); })
      .Object("Items", [](C& c) { return c.Items(); })
      .Object("KeyItems", [](C& c) { return c.KeyItems(); })
      .Integer("MaxLength", &C::MaxLength, &C::SetMaxLength, 0)
      // A bound box shows its field's text; a standalone one keeps what was chosen.
      .String("Text", &C::Text, &C::SetText, std::nullopt)
      .Stored([](const C& c) { return c.DataLink()->Standalone() && !c.Text().empty(); })
      .Boolean("WordWrap", &C::WordWrap, &C::SetWordWrap, false);
}

// Checked follows from State and is read (a form may give it) but never written; a bound
// box shows its field, so State is stored only for a standalone box that is not unchecked.
void RegisterCheckBox() {
  using B = TCustomDBCheckBoxEh;
  StoredProperties<B>()
      .Reference<TBasicAction>("Action", &B::Action, &B::SetAction)
      .Enum("Alignment", &B::Alignment, &B::SetAlignment, kAlignmentNames, taRightJustify)
      .Boolean("AllowGrayed", &B::AllowGrayed, &B::SetAllowGrayed, false)
      .Boolean("AlwaysShowBorder", &B::AlwaysShowBorder, &B::SetAlwaysShowBorder, false)
      .String("Caption", &B::Caption, &B::SetCaption, "")
      .Boolean("Checked", &B::GetChecked, &B::SetChecked, false)
      .Stored([](const B&) { return false; })
      .String("DataField", &B::DataField, &B::SetDataField, "")
      .Reference<TDataSource>("DataSource", &B::DataSource, &B::SetDataSource)
      .Boolean("Flat", &B::Flat, &B::SetFlat, false)
      .Boolean("ReadOnly", &B::ReadOnly, &B::SetReadOnly, false)
      .Enum("State", &B::State, &B::SetState, kCheckBoxStateNames, cbUnchecked)
      .Stored([](const B& b) { return b.StateStored(); })
      .String("ValueChecked", &B::ValueChecked, &B::SetValueChecked, "True")
      .String("ValueUnchecked", &B::ValueUnchecked, &B::SetValueUnchecked, "False");
}

// The settings from ShortCut on, whose defaults differ between a plain button and the
// main button of an edit (which is also every item of a button collection).
template <class B>
void RegisterEditButtonFace(TShortCut shortCut, bool visible) {
  StoredProperties<B>()
      .Integer("ShortCut", &B::ShortCut, &B::SetShortCut, shortCut)
      .Enum("Style", &B::Style, &B::SetStyle, kEditButtonStyleNames, ebsDropDownEh)
      .Boolean("Visible", &B::Visible, &B::SetVisible, visible)
      .Integer("Width", &B::Width, &B::SetWidth, 0);
}

void RegisterEditButtons() {
  using B = TEditButtonEh;
  StoredProperties<B>()
      .Reference<TBasicAction>("Action", &B::Action, &B::SetAction)
      .Reference<TPopupMenu>("DropdownMenu", &B::DropdownMenu, &B::SetDropdownMenu)
      .Boolean("Enabled", &B::Enabled, &B::SetEnabled, true)
      .Object("Glyph", [](B& b) { return b.Glyph(); })
      .String("Hint", &B::Hint, &B::SetHint, "")
      .Integer("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs, 1);
  RegisterEditButtonFace<B>(0, false);
  RegisterEditButtonFace<TVisibleEditButtonEh>(ShortCut(VK_DOWN, false, false, true), true);
}

void RegisterMRUList() {
  using M = TMRUListEh;
  StoredProperties<M>()
      .Boolean("Active", &M::Active, &M::SetActive, false)
      .Boolean("AutoAdd", &M::AutoAdd, &M::SetAutoAdd, true)
      .Boolean("CaseSensitive", &M::CaseSensitive, &M::SetCaseSensitive, false)
      .Object("Items", [](M& m) { return m.Items(); })
      .Integer("Limit", &M::Limit, &M::SetLimit, 100)
      .Integer("Rows", &M::Rows, &M::SetRows, 7);
}

// A special row's value keeps the kind of its value: a truth value, a whole number, a text,
// or any other number.
TFormValue VariantToValue(const Variant& value) {
  if (VarTypeIsInteger(value.VType())) return TFormValue::Integer(value.AsInt64());
  switch (value.VType()) {
    case varBoolean:
      return TFormValue::Boolean(value.AsBoolean());
    case varString:
    case varOleStr:
      return TFormValue::String(value.AsString());
    default:
      return TFormValue::Float(value.AsDouble());
  }
}

Variant ValueToVariant(const TFormValue& value, TReader& reader) {
  switch (value.Type) {
    case TFormValueType::Integer:
      return Variant(static_cast<long long>(value.AsInteger));
    case TFormValueType::Float:
      return Variant(value.AsFloat);
    case TFormValueType::String:
      return Variant(value.Text);
    default:
      return Variant(ValueToBoolean(value, reader));
  }
}

void RegisterSpecRow() {
  using R = TSpecRowEh;
  StoredProperties<R>()
      .String("CellsText", &R::CellsText, &R::SetCellsText, "")
      .Integer("Color", &R::Color, &R::SetColor, std::nullopt)
      .Stored([](const R& r) { return r.ColorAssigned(); })
      .Object("Font", [](R& r) { return r.Font(); })
      .Stored([](const R& r) { return r.FontAssigned(); })
      .Integer("ShortCut", &R::ShortCut, &R::SetShortCut, ShortCut(VK_DELETE, false, false, true))
      .Boolean("ShowIfNotInKeyList", &R::ShowIfNotInKeyList, &R::SetShowIfNotInKeyList, true)
      .Boolean("Visible", &R::Visible, &R::SetVisible, false);
  RegisterDefineProperties(R::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& row = static_cast<R&>(object);
    filer.DefineProperty(
        "Value", [&row](TReader& reader) { row.SetValue(ValueToVariant(reader.ReadValue(), reader)); },
        [&row](TWriter& writer) { writer.WriteValue(VariantToValue(row.Value())); },
        !VarIsNull(row.Value()) && !VarIsEmpty(row.Value()));
  });
}

}  // namespace

void RegisterGridBaseStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterUIStreaming();
    RegisterDBStreaming();
    RegisterDefineProperties(TCustomGridEh::StaticClass(), DefineExtents);
    RegisterOwnColours();
    RegisterEdits();
    RegisterEditButtons();
    RegisterMRUList();
    RegisterSpecRow();
    RegisterCheckBox();
    RegisterComponentClass<TDBDateTimeEditEh>();
    RegisterComponentClass<TDBComboBoxEh>();
    RegisterComponentClass<TDBCheckBoxEh>();
  });
}

}  // namespace ordvane
