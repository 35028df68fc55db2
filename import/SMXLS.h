#pragma once
// Excel workbooks in their record formats, BIFF2 to BIFF8. Workbooks of Excel 5 and later
// are compound files: the reader takes their workbook stream, their two property-set
// streams and, on request, their macro project. Files of Excel 2 to 4 are plain record
// streams. Every cell is reported through the reader events of the cell model, whose
// default handlers build the sheets.
//
// TMSExcelX stands for the Office Open XML workbooks: it accepts them and reads nothing.

#include "classlib/core/CompoundFile.h"
#include "import/SMCells.h"
#include "import/SMI_Sum.h"
#include "import/SMVBA.h"
#include "import/SMXLSGlobals.h"
#include "import/SMXLSValues.h"

namespace ordvane {

enum TExcelVersion {
  evUnknown, evExcel2, evExcel3, evExcel4, evExcel5, evExcel7, evExcel8, evExcel9, evExcel12, evExcel12Bin
};

using TSMIOnPasswordEvent = TEvent<void(TObject* sender, AnsiString& password, bool& continueAsking)>;

class TXLSWorkbookReader;

class TCustomMSExcel : public TSpreadSheetFile {
  ORDVANE_CLASS(TCustomMSExcel, TSpreadSheetFile)

 public:
  explicit TCustomMSExcel(TComponent* owner) : TSpreadSheetFile(owner) {}

  TExcelVersion Version() const { return fVersion; }
  // List the workbook's macro sources after the load (MacroListing).
  bool ParseVBA() const { return fParseVBA; }
  void SetParseVBA(bool parse) { fParseVBA = parse; }
  // Each macro module with its source, after a separator line and the module's name.
  const AnsiString& MacroListing() const { return fMacroListing; }
  // The text of the macro project's "PROJECT" stream.
  const AnsiString& ProjectText() const { return fProjectText; }
  const TVBAProjectItems& Modules() const { return fModules; }
  // The index of the sheet being read; -1 while the workbook's globals are read.
  Integer SheetIndex() const { return fSheetIndex; }
  TSMISummaryInformation* SummaryInformation() const { return fSummaryInformation.get(); }
  void SetSummaryInformation(const TSMISummaryInformation* information) { fSummaryInformation->Assign(information); }

  // The cell formats, one per XF record in the order of the file (a cell's format index
  // is its position), and the number-format texts by format index: the built-in ones and
  // those of the FORMAT records.
  const std::vector<TXLSFormat>& CellFormats() const { return fCellFormats; }
  const TXLSNumberFormats& NumberFormats() const { return fNumberFormats; }

  // The inherited preparation; then the summary information, the macro modules, both
  // texts and both format lists are emptied, the built-in number formats registered and
  // SheetIndex is -1.
  void PrepareLoad() override;

 protected:
  friend class TXLSWorkbookReader;
  // Reads the macro storage's modules into Modules and lists those with source.
  void ListMacros(const TCompoundStorage& storage);

  TExcelVersion fVersion = evUnknown;
  Integer fSheetIndex = -1;

 private:
  bool fParseVBA = false;
  AnsiString fMacroListing;
  AnsiString fProjectText;
  TVBAProjectItems fModules;
  std::vector<TXLSFormat> fCellFormats;
  TXLSNumberFormats fNumberFormats;
  std::unique_ptr<TSMISummaryInformation> fSummaryInformation = std::make_unique<TSMISummaryInformation>();
};

class TMSExcel : public TCustomMSExcel {
  ORDVANE_CLASS(TMSExcel, TCustomMSExcel)

 public:
  explicit TMSExcel(TComponent* owner) : TCustomMSExcel(owner) {}

  // Set when the workbook was found to be encrypted (it is then not read).
  bool Encrypted() const override { return fEncrypted; }
  const AnsiString& Password() const { return fPassword; }
  void SetPassword(const AnsiString& password) { fPassword = password; }
  // Asked once for the password of an encrypted workbook; no password opens it.
  TSMIOnPasswordEvent OnPassword;

  // What the workbook defines beside its cells, each list in the order of the file:
  // fonts, defined names, the shared formulas of the sheets that are read, and pictures
  // (which are not read: the picture lists stay empty).
  const std::vector<TXLSFont>& Fonts() const { return fFonts; }
  // The font of a cell format; nullptr for an index that no FONT record holds.
  const TXLSFont* FontOf(const TXLSFormat& format) const;
  const std::vector<TXLSName>& Names() const { return fNames; }
  const std::vector<TXLSSharedFormula>& SharedFormulas() const { return fSharedFormulas; }
  const TXLSSharedObjects& SharedObjects() const { return fSharedObjects; }
  const TXLSObjectsInSheet& ObjectsInSheet() const { return fObjectsInSheet; }

  // The inherited preparation; then every list of the previous load is emptied and the
  // encrypted flag cleared.
  void PrepareLoad() override;
  // A compound file is read as an Excel 5 or later workbook, anything else as the record
  // stream of Excel 2 to 4.
  void LoadFromFile(const AnsiString& fileName) override;
  // The stream, from its start, must hold a compound file.
  void LoadFromStream(TStream* stream) override;

 private:
  friend class TXLSWorkbookReader;
  void ReadCompoundFile(const TCompoundFile& file);
  // A damaged property set goes to OnErrorProcess (ending the load only when the handler
  // asks to abort) and leaves the summary empty.
  void ReadSummaryInformation(const TCompoundStorage& root);

  bool fEncrypted = false;
  AnsiString fPassword;
  std::vector<TXLSFont> fFonts;
  std::vector<TXLSName> fNames;
  std::vector<TXLSSharedFormula> fSharedFormulas;
  TXLSSharedObjects fSharedObjects;
  TXLSObjectsInSheet fObjectsInSheet;
};

class TMSExcelX : public TCustomMSExcel {
  ORDVANE_CLASS(TMSExcelX, TCustomMSExcel)

 public:
  explicit TMSExcelX(TComponent* owner) : TCustomMSExcel(owner) { fVersion = evExcel12; }

  // The name is checked as every reader checks it; the version follows the extension
  // (binary for .xlsb, .xltb and .xlab). Nothing of the file is read, here or by
  // LoadFromStream: the sheets stay empty.
  void LoadFromFile(const AnsiString& fileName) override;
};

}  // namespace ordvane
