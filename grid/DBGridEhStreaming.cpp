#include "grid/DBGridEhStreaming.h"

#include <mutex>

#include "classlib/ui/UIStreaming.h"
#include "grid/DBGridEh.h"
#include "gridbase/GridsEhStreaming.h"

namespace ordvane {

namespace {

constexpr const char* kButtonStyleNames[] = {"cbsAuto", "cbsEllipsis", "cbsNone", "cbsUpDown", "cbsDropDown"};
constexpr const char* kTextLayoutNames[] = {"tlTop", "tlCenter", "tlBottom"};
constexpr const char* kOrientationNames[] = {"tohHorizontal", "tohVertical"};
constexpr const char* kSortMarkerNames[] = {"smNoneEh", "smDownEh", "smUpEh"};
constexpr const char* kFooterValueTypeNames[] = {"fvtNon",   "fvtSum",        "fvtAvg",
                                                 "fvtCount", "fvtFieldValue", "fvtStaticText"};
constexpr const char* kAllowedOperationNames[] = {"alopInsertEh", "alopUpdateEh", "alopDeleteEh",
                                                  "alopAppendEh"};
constexpr const char* kSelectionTypeNames[] = {"gstNon", "gstRecordBookmarks", "gstRectangle", "gstColumns",
                                               "gstAll"};
constexpr const char* kLookupGridOptionNames[] = {"dlgColumnResizeEh", "dlgColLinesEh", "dlgRowLinesEh",
                                                  "dlgAutoSortMarkingEh", "dlgMultiSortMarkingEh"};
constexpr const char* kScrollBarVisibleModeNames[] = {"sbAlwaysShowEh", "sbNeverShowEh", "sbAutoShowEh"};
constexpr const char* kDragKindNames[] = {"dkDrag", "dkDock"};
constexpr const char* kDragModeNames[] = {"dmManual", "dmAutomatic"};
constexpr const char* kImeModeNames[] = {"imDisable", "imClose",   "imOpen",     "imDontCare",
                                         "imSAlpha",  "imAlpha",   "imHira",     "imSKata",
                                         "imKata",    "imChinese", "imSHanguel", "imHanguel"};
constexpr const char* kEditActionNames[] = {"geaCutEh", "geaCopyEh", "geaPasteEh", "geaDeleteEh",
                                            "geaSelectAllEh"};
constexpr const char* kGridOptionNames[] = {
    "dgEditing",       "dgAlwaysShowEditor", "dgTitles",     "dgIndicator", "dgColumnResize",
    "dgColLines",      "dgRowLines",         "dgTabs",       "dgRowSelect", "dgAlwaysShowSelection",
    "dgConfirmDelete", "dgCancelOnExit",     "dgMultiSelect"};
constexpr const char* kGridOptionEhNames[] = {"dghFixed3D",
                                              "dghFrozen3D",
                                              "dghFooter3D",
                                              "dghData3D",
                                              "dghResizeWholeRightPart",
                                              "dghHighlightFocus",
                                              "dghClearSelection",
                                              "dghFitRowHeightToText",
                                              "dghAutoSortMarking",
                                              "dghMultiSortMarking",
                                              "dghEnterAsTab",
                                              "dghTraceColSizing",
                                              "dghIncSearch",
                                              "dghPreferIncSearch",
                                              "dghRowHighlight",
                                              "dghDblClickOptimizeColWidth",
                                              "dghDialogFind",
                                              "dghRecordMoving"};

// A setter for a plain field of a defaults object.
template <class C, class T>
auto FieldSetter(T C::*field) {
  return [field](C& object, T value) { object.*field = value; };
}

// Several column getters find their field first, so they are not const.
TColumnEh& Column(const TColumnEh& column) {
  return const_cast<TColumnEh&>(column);
}

// A column of the same grid and field that has nothing set: its getters answer what an
// unset value of the column falls back to. Its collection stays in an update bracket,
// so the grid never hears of it.
class TFallbackColumn {
 public:
  explicit TFallbackColumn(const TColumnEh& column) : fColumns(column.Grid()) {
    fColumns.BeginUpdate();
    fColumn = fColumns.Add();
    fColumn->SetFieldName(column.FieldName());
  }
  TColumnEh& Get() const { return *fColumn; }

 private:
  TDBGridColumnsEh fColumns;
  TColumnEh* fColumn = nullptr;
};

// Stored when the value is set and differs from its fallback; a column outside a grid
// has no fallback to compare with.
template <class Read>
auto SetAndDifferent(TColumnEhValue bit, Read read) {
  return [bit, read](const TColumnEh& column) {
    if (!column.AssignedValues().Contains(bit)) return false;
    if (column.Grid() == nullptr) return true;
    return read(Column(column)) != read(TFallbackColumn(column).Get());
  };
}

auto IsSet(TColumnEhValue bit) {
  return [bit](const TColumnEh& column) { return column.AssignedValues().Contains(bit); };
}

template <class Read>
auto TitleSetAndDifferent(TColumnEhValue bit, Read read) {
  return [bit, read](const TColumnTitleEh& title) {
    const TColumnEh& column = *title.Column();
    if (!column.AssignedValues().Contains(bit)) return false;
    if (column.Grid() == nullptr) return true;
    return read(title) != read(TFallbackColumn(column).Get().Title());
  };
}

void RegisterColumns() {
  auto alignment = [](const TColumnEh& c) { return Column(c).Alignment(); };
  auto alwaysShow = [](const TColumnEh& c) { return c.AlwaysShowEditButton(); };
  auto autoDropDown = [](const TColumnEh& c) { return c.AutoDropDown(); };
  auto checkboxes = [](const TColumnEh& c) { return Column(c).Checkboxes(); };
  auto color = [](const TColumnEh& c) { return c.Color(); };
  auto dblClick = [](const TColumnEh& c) { return c.DblClickNextVal(); };
  auto showTitles = [](const TColumnEh& c) { return c.DropDownShowTitles(); };
  auto sizing = [](const TColumnEh& c) { return c.DropDownSizing(); };
  auto endEllipsis = [](const TColumnEh& c) { return c.EndEllipsis(); };
  auto highlight = [](const TColumnEh& c) { return c.HighlightRequired(); };
  auto imeMode = [](const TColumnEh& c) { return c.ImeMode(); };
  auto imeName = [](const TColumnEh& c) { return c.ImeName(); };
  auto layout = [](const TColumnEh& c) { return c.Layout(); };
  auto lookupFields = [](const TColumnEh& c) { return Column(c).LookupDisplayFields(); };
  auto readOnly = [](const TColumnEh& c) { return Column(c).ReadOnly(); };
  auto toolTips = [](const TColumnEh& c) { return c.ToolTips(); };
  auto width = [](const TColumnEh& c) { return Column(c).Width(); };
  auto wordWrap = [](const TColumnEh& c) { return Column(c).WordWrap(); };

  StoredProperties<TColumnEh>()
      .Enum("Alignment", alignment, &TColumnEh::SetAlignment, kAlignmentNames, std::nullopt)
      .Stored(SetAndDifferent(cvAlignment, alignment))
      .Boolean("AlwaysShowEditButton", alwaysShow, &TColumnEh::SetAlwaysShowEditButton, std::nullopt)
      .Stored(SetAndDifferent(cvAlwaysShowEditButton, alwaysShow))
      .Boolean("AutoDropDown", autoDropDown, &TColumnEh::SetAutoDropDown, std::nullopt)
      .Stored(SetAndDifferent(cvAutoDropDown, autoDropDown))
      .Boolean("AutoFitColWidth", &TColumnEh::AutoFitColWidth, &TColumnEh::SetAutoFitColWidth, true)
      .Enum("BiDiMode", &TColumnEh::BiDiMode, &TColumnEh::SetBiDiMode, kBiDiModeNames, std::nullopt)
      .Stored(IsSet(cvBiDiMode))
      .Enum("ButtonStyle", &TColumnEh::ButtonStyle, &TColumnEh::SetButtonStyle, kButtonStyleNames, cbsAuto)
      .Boolean("Checkboxes", checkboxes, &TColumnEh::SetCheckboxes, std::nullopt)
      .Stored(IsSet(cvCheckboxes))
      .Integer("Color", color, &TColumnEh::SetColor, std::nullopt)
      .Stored(SetAndDifferent(cvColor, color))
      .Boolean("DblClickNextVal", dblClick, &TColumnEh::SetDblClickNextVal, std::nullopt)
      .Stored(SetAndDifferent(cvDblClickNextVal, dblClick))
      .String("DisplayFormat", &TColumnEh::DisplayFormat, &TColumnEh::SetDisplayFormat, "")
      .Object("DropDownBox", [](TColumnEh& c) { return &c.DropDownBox(); })
      .Integer("DropDownRows", &TColumnEh::DropDownRows, &TColumnEh::SetDropDownRows, 7)
      .Boolean("DropDownShowTitles", showTitles, &TColumnEh::SetDropDownShowTitles, std::nullopt)
      .Stored(SetAndDifferent(cvDropDownShowTitles, showTitles))
      .Boolean("DropDownSizing", sizing, &TColumnEh::SetDropDownSizing, std::nullopt)
      .Stored(SetAndDifferent(cvDropDownSizing, sizing))
      .Object("DropDownSpecRow", [](TColumnEh& c) { return &c.DropDownSpecRow(); })
      .Integer("DropDownWidth", &TColumnEh::DropDownWidth, &TColumnEh::SetDropDownWidth, 0)
      .Object("EditButtons", [](TColumnEh& c) { return &c.EditButtons(); })
      .String("EditMask", &TColumnEh::EditMask, &TColumnEh::SetEditMask, "")
      .Boolean("EndEllipsis", endEllipsis, &TColumnEh::SetEndEllipsis, std::nullopt)
      .Stored(SetAndDifferent(cvEndEllipsis, endEllipsis))
      .String("FieldName", &TColumnEh::FieldName, &TColumnEh::SetFieldName, "")
      .Object("Font", [](TColumnEh& c) { return c.Font(); })
      .Stored(IsSet(cvFont))
      .Object("Footer", [](TColumnEh& c) { return &c.Footer(); })
      .Object("Footers", [](TColumnEh& c) { return &c.Footers(); })
      .Boolean("HideDuplicates", &TColumnEh::HideDuplicates, &TColumnEh::SetHideDuplicates, false)
      .Boolean("HighlightRequired", highlight, &TColumnEh::SetHighlightRequired, std::nullopt)
      .Stored(SetAndDifferent(cvHighlightRequired, highlight))
      .Reference<TCustomImageList>("ImageList", &TColumnEh::ImageList, &TColumnEh::SetImageList)
      .Enum("ImeMode", imeMode, &TColumnEh::SetImeMode, kImeModeNames, std::nullopt)
      .Stored(SetAndDifferent(cvImeMode, imeMode))
      .String("ImeName", imeName, &TColumnEh::SetImeName, std::nullopt)
      .Stored(SetAndDifferent(cvImeName, imeName))
      .Float("Increment", &TColumnEh::Increment, &TColumnEh::SetIncrement, 1.0)
      .Object("KeyList", [](TColumnEh& c) { return c.KeyList(); })
      .Enum("Layout", layout, &TColumnEh::SetLayout, kTextLayoutNames, std::nullopt)
      .Stored(SetAndDifferent(cvLayout, layout))
      .String("LookupDisplayFields", lookupFields, &TColumnEh::SetLookupDisplayFields, std::nullopt)
      .Stored(SetAndDifferent(cvLookupDisplayFields, lookupFields))
      .Integer("MaxWidth", &TColumnEh::MaxWidth, &TColumnEh::SetMaxWidth, 0)
      .Integer("MinWidth", &TColumnEh::MinWidth, &TColumnEh::SetMinWidth, 0)
      .Object("MRUList", [](TColumnEh& c) { return &c.MRUList(); })
      .Integer("NotInKeyListIndex", &TColumnEh::NotInKeyListIndex, &TColumnEh::SetNotInKeyListIndex, -1)
      .Object("PickList", [](TColumnEh& c) { return c.PickList(); })
      .Reference<TPopupMenu>("PopupMenu", &TColumnEh::PopupMenu, &TColumnEh::SetPopupMenu)
      .Boolean("ReadOnly", readOnly, &TColumnEh::SetReadOnly, std::nullopt)
      .Stored(SetAndDifferent(cvReadOnly, readOnly))
      .Boolean("ShowImageAndText", &TColumnEh::ShowImageAndText, &TColumnEh::SetShowImageAndText, false)
      .Object("STFilter", [](TColumnEh& c) { return &c.STFilter(); })
      .Integer("Tag", &TColumnEh::Tag, &TColumnEh::SetTag, 0)
      .Object("Title", [](TColumnEh& c) { return &c.Title(); })
      .Boolean("ToolTips", toolTips, &TColumnEh::SetToolTips, std::nullopt)
      .Stored(SetAndDifferent(cvToolTips, toolTips))
      .Boolean("Visible", &TColumnEh::Visible, &TColumnEh::SetVisible, true)
      .Integer("Width", width, &TColumnEh::SetWidth, std::nullopt)
      .Stored(SetAndDifferent(cvWidth, width))
      .Boolean("WordWrap", wordWrap, &TColumnEh::SetWordWrap, std::nullopt)
      .Stored(SetAndDifferent(cvWordWrap, wordWrap));

  auto titleAlignment = [](const TColumnTitleEh& t) { return t.Alignment(); };
  auto caption = [](const TColumnTitleEh& t) { return t.Caption(); };
  auto titleColor = [](const TColumnTitleEh& t) { return t.Color(); };
  auto titleEllipsis = [](const TColumnTitleEh& t) { return t.EndEllipsis(); };
  auto orientation = [](const TColumnTitleEh& t) { return t.Orientation(); };
  auto titleButton = [](const TColumnTitleEh& t) { return t.TitleButton(); };
  auto titleToolTips = [](const TColumnTitleEh& t) { return t.ToolTips(); };
  StoredProperties<TColumnTitleEh>()
      .Enum("Alignment", titleAlignment, &TColumnTitleEh::SetAlignment, kAlignmentNames, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleAlignment, titleAlignment))
      .String("Caption", caption, &TColumnTitleEh::SetCaption, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleCaption, caption))
      .Integer("Color", titleColor, &TColumnTitleEh::SetColor, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleColor, titleColor))
      .Boolean("EndEllipsis", titleEllipsis, &TColumnTitleEh::SetEndEllipsis, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleEndEllipsis, titleEllipsis))
      .Object("Font", [](TColumnTitleEh& t) { return t.Font(); })
      .Stored([](const TColumnTitleEh& t) { return t.Column()->AssignedValues().Contains(cvTitleFont); })
      .String("Hint", &TColumnTitleEh::Hint, &TColumnTitleEh::SetHint, "")
      .Integer("ImageIndex", &TColumnTitleEh::ImageIndex, &TColumnTitleEh::SetImageIndex, -1)
      .Enum("Orientation", orientation, &TColumnTitleEh::SetOrientation, kOrientationNames, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleOrientation, orientation))
      .Integer("SortIndex", &TColumnTitleEh::SortIndex, &TColumnTitleEh::SetSortIndex, 0)
      .Enum("SortMarker", &TColumnTitleEh::SortMarker, &TColumnTitleEh::SetSortMarker, kSortMarkerNames,
            smNoneEh)
      .Boolean("TitleButton", titleButton, &TColumnTitleEh::SetTitleButton, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleButton, titleButton))
      .Boolean("ToolTips", titleToolTips, &TColumnTitleEh::SetToolTips, std::nullopt)
      .Stored(TitleSetAndDifferent(cvTitleToolTips, titleToolTips));

  StoredProperties<TColumnFooterEh>()
      .String("DisplayFormat", &TColumnFooterEh::DisplayFormat, &TColumnFooterEh::SetDisplayFormat, "")
      .String("FieldName", &TColumnFooterEh::FieldName, &TColumnFooterEh::SetFieldName, "")
      .Object("Font", [](TColumnFooterEh& f) { return f.Font(); })
      .Stored([](const TColumnFooterEh& f) { return f.FontAssigned(); })
      .String("Value", &TColumnFooterEh::Value, &TColumnFooterEh::SetValue, "")
      .Enum("ValueType", &TColumnFooterEh::ValueType, &TColumnFooterEh::SetValueType, kFooterValueTypeNames,
            fvtNon)
      .Boolean("WordWrap", &TColumnFooterEh::WordWrap, &TColumnFooterEh::SetWordWrap, false);
}

void RegisterDropDownBox() {
  using B = TColumnDropDownBoxEh;
  StoredProperties<B>()
      .Boolean("AutoFitColWidths", &B::AutoFitColWidths, &B::SetAutoFitColWidths, true)
      .Object("ColumnDefValues", [](B& b) { return &b.ColumnDefValues(); })
      .Reference<TDataSource>("ListSource", &B::ListSource, &B::SetListSource)
      .SetOf(
          "Options", [](const B& b) { return SetBits(b.Options()); },
          [](B& b, UInt64 v) { b.SetOptions(SetFromBits<TDBLookupGridEhOptions>(v)); },
          kLookupGridOptionNames, SetBits(TDBLookupGridEhOptions{dlgColLinesEh}))
      .Boolean("UseMultiTitle", &B::UseMultiTitle, &B::SetUseMultiTitle, false);
  // Without columns of its own the drop-down shows the lookup's display fields.
  RegisterDefineProperties(B::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& box = static_cast<B&>(object);
    filer.DefineProperty(
        "Columns", [&box](TReader& reader) { reader.ReadCollection(box.Columns()); },
        [&box](TWriter& writer) { writer.WriteCollection(box.Columns()); }, box.Columns().Count() > 0);
  });
}

void RegisterScrollBars() {
  using B = TDBGridEhScrollBar;
  StoredProperties<B>()
      .Reference<TScrollBar>("ExtScrollBar", &B::ExtScrollBar, &B::SetExtScrollBar)
      .Boolean("Tracking", &B::Tracking, &B::SetTracking, false)
      .Enum("VisibleMode", &B::VisibleMode, &B::SetVisibleMode, kScrollBarVisibleModeNames, sbAutoShowEh);
}

void RegisterFilterRow() {
  using F = TSTColumnFilterEh;
  StoredProperties<F>()
      .String("DataField", &F::DataField, &F::SetDataField, "")
      .String("KeyField", &F::KeyField, &F::SetKeyField, "")
      .String("ListField", &F::ListField, &F::SetListField, "")
      .Reference<TDataSource>("ListSource", &F::ListSource, &F::SetListSource)
      .Boolean("Visible", &F::Visible, &F::SetVisible, true);
  StoredProperties<TSTDBGridEhFilter>()
      .Boolean("Local", &TSTDBGridEhFilter::Local, &TSTDBGridEhFilter::SetLocal, false)
      .Boolean("Visible", &TSTDBGridEhFilter::Visible, &TSTDBGridEhFilter::SetVisible, false);
}

// The aggregates follow from the columns' footers, so only the list's switches are stored.
void RegisterSumList() {
  using S = TDBSumListProducer;
  StoredProperties<S>()
      .Boolean("Active", &S::Active, &S::SetActive, true)
      .Boolean("ExternalRecalc", &S::ExternalRecalc, &S::SetExternalRecalc, false)
      .Boolean("VirtualRecords", &S::VirtualRecords, &S::SetVirtualRecords, false);
}

void RegisterColumnDefValues() {
  using D = TColumnDefValuesEh;
  StoredProperties<D>()
      .Boolean("AlwaysShowEditButton", &D::AlwaysShowEditButton, FieldSetter(&D::AlwaysShowEditButton), false)
      .Boolean("AutoDropDown", &D::AutoDropDown, FieldSetter(&D::AutoDropDown), false)
      .Boolean("DblClickNextVal", &D::DblClickNextVal, FieldSetter(&D::DblClickNextVal), false)
      .Boolean("DropDownShowTitles", &D::DropDownShowTitles, FieldSetter(&D::DropDownShowTitles), false)
      .Boolean("DropDownSizing", &D::DropDownSizing, FieldSetter(&D::DropDownSizing), false)
      .Boolean("EndEllipsis", &D::EndEllipsis, FieldSetter(&D::EndEllipsis), false)
      .Object("Footer", [](D& d) { return &d.Footer(); })
      .Enum("Layout", &D::Layout, FieldSetter(&D::Layout), kTextLayoutNames, tlTop)
      .Object("Title", [](D& d) { return &d.Title(); })
      .Boolean("ToolTips", &D::ToolTips, FieldSetter(&D::ToolTips), false);
  StoredProperties<TDBGridEhColumnDefValuesEh>().Boolean(
      "HighlightRequired", &TDBGridEhColumnDefValuesEh::HighlightRequired,
      FieldSetter(&TDBGridEhColumnDefValuesEh::HighlightRequired), false);
  using T = TColumnTitleDefValuesEh;
  StoredProperties<T>()
      .Enum("Alignment", &T::Alignment, &T::SetAlignment, kAlignmentNames, taLeftJustify)
      .Integer("Color", &T::Color, &T::SetColor, clBtnFace)
      .Boolean("EndEllipsis", &T::EndEllipsis, FieldSetter(&T::EndEllipsis), false)
      .Enum("Orientation", &T::Orientation, FieldSetter(&T::Orientation), kOrientationNames, tohHorizontal)
      .Boolean("TitleButton", &T::TitleButton, FieldSetter(&T::TitleButton), false)
      .Boolean("ToolTips", &T::ToolTips, FieldSetter(&T::ToolTips), false);
  StoredProperties<TColumnFooterDefValuesEh>().Boolean("ToolTips", &TColumnFooterDefValuesEh::ToolTips,
                                                       FieldSetter(&TColumnFooterDefValuesEh::ToolTips),
                                                       false);
}

// An own row colour is stored; the grid's colour it answers with otherwise is not.
template <class Get>
auto OwnRowColor(Get get) {
  return [get](const TCustomDBGridEh& g) { return std::invoke(get, g) != g.Color(); };
}

void RegisterGrid() {
  using G = TCustomDBGridEh;
  // The published order of the grid, the control's own settings in their places.
  const auto republish = [](const char* name) { RepublishStoredProperty(G::StaticClass(), name); };
  republish("TabStop");
  republish("Align");
  StoredProperties<G>()
      .SetOf(
          "AllowedOperations", [](const G& g) { return SetBits(g.AllowedOperations()); },
          [](G& g, UInt64 v) { g.SetAllowedOperations(SetFromBits<TDBGridEhAllowedOperations>(v)); },
          kAllowedOperationNames,
          SetBits(TDBGridEhAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh}))
      .SetOf(
          "AllowedSelections", [](const G& g) { return SetBits(g.AllowedSelections()); },
          [](G& g, UInt64 v) { g.SetAllowedSelections(SetFromBits<TDBGridEhAllowedSelections>(v)); },
          kSelectionTypeNames,
          SetBits(TDBGridEhAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll}));
  republish("Anchors");
  StoredProperties<G>().Boolean("AutoFitColWidths", &G::AutoFitColWidths, &G::SetAutoFitColWidths, false);
  republish("BiDiMode");
  StoredProperties<G>().Enum("BorderStyle", &G::BorderStyle, &G::SetBorderStyle, kBorderStyleNames, bsSingle);
  republish("Color");
  StoredProperties<G>().Object("ColumnDefValues", [](G& g) { return &g.ColumnDefValues(); });
  for (const char* bound : {"Constraints.MaxHeight", "Constraints.MaxWidth", "Constraints.MinHeight",
                            "Constraints.MinWidth"})
    republish(bound);
  StoredProperties<G>().Integer("ContraColCount", &G::ContraColCount, &G::SetContraColCount, 0);
  republish("Ctl3D");
  StoredProperties<G>()
      .Reference<TDataSource>("DataSource", &G::DataSource, &G::SetDataSource)
      .Boolean("DefaultDrawing", &G::DefaultDrawing, &G::SetDefaultDrawing, true)
      .Integer("DragCursor", &G::DragCursor, &G::SetDragCursor, crDrag)
      .Enum("DragKind", &G::DragKind, &G::SetDragKind, kDragKindNames, dkDrag)
      .Enum("DragMode", &G::DragMode, &G::SetDragMode, kDragModeNames, dmManual)
      .Boolean("DrawMemoText", &G::DrawMemoText, &G::SetDrawMemoText, false)
      .SetOf(
          "EditActions", [](const G& g) { return SetBits(g.EditActions()); },
          [](G& g, UInt64 v) { g.SetEditActions(SetFromBits<TDBGridEhEditActions>(v)); }, kEditActionNames,
          0);
  republish("Enabled");
  StoredProperties<G>()
      .Integer("EvenRowColor", &G::EvenRowColor, &G::SetEvenRowColor, std::nullopt)
      .Stored(OwnRowColor(&G::EvenRowColor))
      .Integer("FixedColor", &G::FixedColor, &G::SetFixedColor, clBtnFace)
      .Boolean("Flat", &G::Flat, &G::SetFlat, false);
  republish("Font");
  StoredProperties<G>()
      .Integer("FooterColor", &G::FooterColor, &G::SetFooterColor, std::nullopt)
      .Object("FooterFont", [](G& g) { return g.FooterFont(); })
      .Stored([](const G& g) { return !g.ParentFont(); })
      .Integer("FooterRowCount", &G::FooterRowCount, &G::SetFooterRowCount, 0)
      .Integer("FrozenCols", &G::FrozenCols, &G::SetFrozenCols, 0)
      .Object("HorzScrollBar", [](G& g) { return &g.HorzScrollBar(); })
      .Enum("ImeMode", &G::ImeMode, &G::SetImeMode, kImeModeNames, imDontCare)
      .String("ImeName", &G::ImeName, &G::SetImeName, "")
      .Integer("MinAutoFitWidth", &G::MinAutoFitWidth, &G::SetMinAutoFitWidth, 0)
      .Integer("OddRowColor", &G::OddRowColor, &G::SetOddRowColor, std::nullopt)
      .Stored(OwnRowColor(&G::OddRowColor))
      .SetOf(
          "Options", [](const G& g) { return SetBits(g.Options()); },
          [](G& g, UInt64 v) { g.SetOptions(SetFromBits<TDBGridOptions>(v)); }, kGridOptionNames,
          SetBits(TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                                 dgTabs, dgConfirmDelete, dgCancelOnExit}))
      .SetOf(
          "OptionsEh", [](const G& g) { return SetBits(g.OptionsEh()); },
          [](G& g, UInt64 v) { g.SetOptionsEh(SetFromBits<TDBGridEhOptions>(v)); }, kGridOptionEhNames,
          SetBits(TDBGridEhOptions{dghFixed3D, dghHighlightFocus, dghClearSelection, dghDialogFind}));
  for (const char* name : {"ParentBiDiMode", "ParentCtl3D", "ParentColor", "ParentFont", "ParentShowHint"})
    republish(name);
  republish("PopupMenu");
  StoredProperties<G>()
      .Boolean("ReadOnly", &G::ReadOnly, &G::SetReadOnly, false)
      .Integer("RowHeight", &G::RowHeight, &G::SetRowHeight, 0)
      .Integer("RowLines", &G::RowLines, &G::SetRowLines, 0)
      .Boolean("RowSizingAllowed", &G::RowSizingAllowed, &G::SetRowSizingAllowed, false);
  republish("ShowHint");
  StoredProperties<G>()
      .Boolean("SortLocal", &G::SortLocal, &G::SetSortLocal, false)
      .Object("STFilter", [](G& g) { return &g.STFilter(); })
      .Object("SumList", [](G& g) { return &g.SumList(); });
  republish("TabOrder");
  StoredProperties<G>()
      .Object("TitleFont", [](G& g) { return g.TitleFont(); })
      .Stored([](const G& g) { return !g.ParentFont(); })
      .Integer("TitleHeight", &G::TitleHeight, &G::SetTitleHeight, 0)
      .Reference<TCustomImageList>("TitleImages", &G::TitleImages, &G::SetTitleImages)
      .Integer("TitleLines", &G::TitleLines, &G::SetTitleLines, 0)
      .Boolean("UseMultiTitle", &G::UseMultiTitle, &G::SetUseMultiTitle, false)
      .Object("VertScrollBar", [](G& g) { return &g.VertScrollBar(); });
  republish("Visible");
  StoredProperties<G>().Integer("VTitleMargin", &G::VTitleMargin, &G::SetVTitleMargin, 10);

  // The columns the user made are stored; columns made from the dataset's fields are not.
  RegisterDefineProperties(G::StaticClass(), [](TFiler& filer, TPersistent& object) {
    auto& grid = static_cast<G&>(object);
    filer.DefineProperty(
        "Columns", [&grid](TReader& reader) { reader.ReadCollection(grid.Columns()); },
        [&grid](TWriter& writer) { writer.WriteCollection(grid.Columns()); },
        grid.Columns().State() == csCustomized);
  });
}

}  // namespace

void RegisterDBGridEhStreaming() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterGridBaseStreaming();
    RegisterComponentClass<TDBGridEh>();
    RegisterColumns();
    RegisterColumnDefValues();
    RegisterDropDownBox();
    RegisterFilterRow();
    RegisterScrollBars();
    RegisterSumList();
    RegisterGrid();
  });
}

}  // namespace ordvane
