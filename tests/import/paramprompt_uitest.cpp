// The parameter prompt in front of real runs: which parameters it asks for, the rows and
// editors it builds, what OK writes back (and what it leaves), Cancel, nothing to ask, and
// an empty required value.

#include <gtest/gtest.h>

#include <memory>

#include "classlib/ui/StdCtrls.h"
#include "import/dialogs/SMIStat.h"
#include "tests/import/ImportFixture.h"
#include "tests/support/UiDriver.h"

namespace ordvane {
namespace {

// Counts the progress dialogs a run shows.
class CountingDialogs : public TSMIWindowDialogs {
 public:
  void ShowProgress(const TSMIProgressCaptions& captions, bool showCounters, bool showAnimation) override {
    ++shown;
    TSMIWindowDialogs::ShowProgress(captions, showCounters, showAnimation);
  }
  int shown = 0;
};

// The prompt's rows: each label's caption and box, and the editor beside it.
struct PromptRows {
  std::vector<TLabel*> labels;
  std::vector<TWinControl*> editors;
  std::vector<TButton*> buttons;
};

PromptRows RowsOf(const TCustomForm* form) {
  PromptRows rows;
  for (int i = 0; i < form->ControlCount(); ++i) {
    TControl* control = form->Controls(i);
    if (auto* label = dynamic_cast<TLabel*>(control))
      rows.labels.push_back(label);
    else if (auto* button = dynamic_cast<TButton*>(control))
      rows.buttons.push_back(button);
    else if (auto* editor = dynamic_cast<TWinControl*>(control))
      rows.editors.push_back(editor);
  }
  return rows;
}

std::string Box(const TControl* control) {
  return std::to_string(control->Left()) + "," + std::to_string(control->Top()) + " " +
         std::to_string(control->Width());
}

class ParameterPrompt : public test::ImportTest {
 protected:
  ParameterPrompt() {
    import.SetDialogs(windows);
    import.Mappings()->SetText("ID=ID\nNAME=NOTE + ' ' + NAME\nAMOUNT=RATE * AMOUNT");
    AddRow({"1", "Who", "1,5"});
  }

  TSMIParameter* Add(const char* name, TSMIParameterMode mode, TSMIParameterEditor editor, const char* value,
                     std::initializer_list<const char*> promptValues = {}) {
    TSMIParameter* parameter = import.Parameters()->Add();
    parameter->SetName(name);
    parameter->SetCaption(AnsiString(name) + " caption");
    parameter->SetParameterMode(mode);
    parameter->SetParameterEditor(editor);
    parameter->SetValue(AnsiString(value));
    for (const char* item : promptValues) parameter->ParamPromptValues()->Add(item);
    return parameter;
  }
  AnsiString ValueOf(const char* name) const {
    for (int i = 0; i < import.Parameters()->Count(); ++i)
      if (import.Parameters()->Items(i)->Name() == name) return VarToStr(import.Parameters()->Items(i)->Value());
    return "(none)";
  }

  test::UiDriver ui;
  std::shared_ptr<CountingDialogs> windows = std::make_shared<CountingDialogs>();
};

TEST_F(ParameterPrompt, AsksForTheAskedParametersInRowsAndOKWritesTheEditorsBack) {
  TSMIParameter* rate = Add("RATE", ipmCalculate, ipeEdit, "");
  rate->SetExpression("2+3");
  Add("NOTE", ipmAsk, ipeEdit, "");
  Add("FLAG", ipmCalculateAndAsk, ipeCheckBox, "True");
  Add("CITY", ipmAsk, ipeCombobox, "Odesa", {"Kyiv", "Lviv"});
  Add("KIND", ipmAsk, ipeListBox, "B", {"A", "B", "C"});
  Add("ZONE", ipmAsk, ipeListBox, "Z", {"A", "B"});
  Add("TEXT", ipmAsk, ipeMemo, "line");
  std::vector<std::string> looks;
  ui.Later([&] {
    TCustomForm* prompt = Screen->ActiveCustomForm();
    const PromptRows rows = RowsOf(prompt);
    looks.push_back(prompt->Caption() + " " + std::to_string(prompt->ClientWidth()) + "x" +
                    std::to_string(prompt->ClientHeight()));
    for (std::size_t i = 0; i < rows.labels.size(); ++i)
      looks.push_back(rows.labels[i]->Caption() + " " + Box(rows.labels[i]) + " | " + rows.editors.at(i)->ClassName() +
                      " " + Box(rows.editors[i]) + " " + rows.editors[i]->Text());
    for (const TButton* button : rows.buttons) looks.push_back(button->Caption() + " " + Box(button));
    auto* flag = dynamic_cast<TCheckBox*>(rows.editors.at(1));
    auto* city = dynamic_cast<TComboBox*>(rows.editors.at(2));
    auto* kind = dynamic_cast<TListBox*>(rows.editors.at(3));
    auto* zone = dynamic_cast<TListBox*>(rows.editors.at(4));
    looks.push_back("ticked " + std::to_string(flag->Checked()) + ", city items " +
                    city->Items()->CommaText() + ", kind at " + std::to_string(kind->ItemIndex()) + " of " +
                    kind->Items()->CommaText() + ", zone at " + std::to_string(zone->ItemIndex()));
    rows.editors[0]->SetFocus();
    ui.Type("Dr.");
    ui.Click(flag, {5, 5});
    const TRect third = kind->ItemRect(2);
    ui.Click(kind, {third.left + 2, third.top + 2});
    ui.Click(rows.buttons.at(0), {10, 10});
  });
  import.Execute();
  EXPECT_EQ(looks, (std::vector<std::string>{
                       "Parameter properties 250x309",
                       "NOTE caption 5,4 125 | TEdit 135,0 100 ",
                       "FLAG caption 5,28 125 | TCheckBox 135,24 100 ",
                       "CITY caption 5,52 125 | TComboBox 135,48 100 Odesa",
                       "KIND caption 5,76 125 | TListBox 135,72 100 ",
                       "ZONE caption 5,140 125 | TListBox 135,136 100 ",
                       "TEXT caption 5,204 125 | TMemo 135,200 100 line",
                       "&OK 65,274 75",
                       "&Cancel 145,274 75",
                       "ticked 1, city items Kyiv,Lviv, kind at 1 of A,B,C, zone at -1",
                   }));
  EXPECT_EQ(ValueOf("RATE") + "|" + ValueOf("NOTE") + "|" + ValueOf("FLAG") + "|" + ValueOf("CITY") + "|" +
                ValueOf("KIND") + "|" + ValueOf("ZONE") + "|" + ValueOf("TEXT"),
            "5|Dr.|False|Odesa|C|Z|line");
  EXPECT_EQ(Records(), (std::vector<std::string>{"1|Dr. Who|7,5||"}));
}

TEST_F(ParameterPrompt, CancelStopsTheRunAndNothingToAskGoesOnWithoutAWindow) {
  import.SetAnimatedStatus(true);
  Add("RATE", ipmCalculate, ipeEdit, "")->SetExpression("2+3");
  TSMIParameter* note = Add("NOTE", ipmAsk, ipeEdit, "");
  ui.Later([&] { ui.Press(VK_ESCAPE); });
  import.Execute();
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(import.Calls.empty());  // the source was never opened
  EXPECT_EQ(windows->shown, 0);

  note->SetParameterMode(ipmCalculate);
  note->SetExpression("'Dr.'");
  const int forms = Screen->CustomFormCount();
  import.Execute();  // a prompt would wait for a step the test has not given
  EXPECT_EQ(Records(), (std::vector<std::string>{"1|Dr. Who|7,5||"}));
  EXPECT_EQ(windows->shown, 1);
  EXPECT_EQ(Screen->CustomFormCount(), forms);
}

TEST_F(ParameterPrompt, AnEmptyRequiredValueStopsTheRunWithItsMessage) {
  Add("RATE", ipmCalculate, ipeEdit, "")->SetExpression("2+3");
  Add("NOTE", ipmAsk, ipeEdit, "")->SetRequired(true);
  ui.Later([&] { ui.Press(VK_RETURN); });
  try {
    import.Execute();
    ADD_FAILURE() << "the run went on without the required value";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Parameter NOTE caption wasn't specified.");
  }
  EXPECT_TRUE(Records().empty());
}

}  // namespace
}  // namespace ordvane
