#pragma once
// The import's expression language. Each mapping, load condition and parameter of an
// import is an expression: text is split into tokens, the tokens are built into a tree by
// splitting at operators, and the tree is evaluated into a Variant. Names the language
// does not know (source columns, parameters, the import's own functions) go to the
// parser's OnEvaluate event. User functions are written "NAME(A, B)=body".
//
// Operators, from the loosest binding to the tightest:
//   +  -  *  /  ^  !  =  <  >  <=  >=  <>  !=  AND  OR  NOT
// Operators of one entry group to the left (10-3-2 is 5). "!" (factorial) follows its
// operand, NOT and a sign ("-2", "2*-3") precede theirs. Mixed expressions are written
// with parentheses: comparisons bind more tightly than arithmetic.
//
// Texts are written in apostrophes ('O''Brien' is O'Brien). Double quotes and square
// brackets enclose names ("Last name", [Last name]), which reach OnEvaluate without them.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "classlib/core/Collections.h"
#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/StringLists.h"
#include "classlib/core/Variants.h"

namespace ordvane {

// The evaluation slots of a function call: no call takes more arguments.
constexpr int kSMIMaxArguments = 11;
using TSMIArguments = std::array<Variant, kSMIMaxArguments>;

// A name or function the language does not know: value comes in as the name's text and
// goes out as its value; clearing done (with the parser's ProcessBeforeEvent) lets the
// user functions have the name.
using TOnEvaluate = TEvent<void(TObject* sender, const AnsiString& eval, const TSMIArguments& args,
                                int argCount, bool isChild, Variant& value, bool& done)>;

// ---- Tokens ---------------------------------------------------------------------------

enum class TSMITokenKind { Name, Number, String, Parenthesis, Operator, Separator };

struct TSMIToken {
  TSMITokenKind Kind;
  AnsiString Text;  // a string token holds its text without the apostrophes
  int Position;     // 1-based, in the expression
};

// Raises "Parse error: illegal character "%s" at position %d." for a character that
// starts no token (also for a quote or bracket that is never closed).
std::vector<TSMIToken> TokenizeExpression(const AnsiString& text);

// ---- The tree -------------------------------------------------------------------------

// Operators in binding order (the loosest first).
enum class TSMIOperator {
  Add, Subtract, Multiply, Divide, Power, Factorial, Equal, Less, Greater, LessEqual,
  GreaterEqual, NotEqual, NotEqualC, And, Or, Not
};

// Resolves a name, or a call of a function that is not built in, into value (which comes
// in as the name's text).
class TSMINameResolver {
 public:
  virtual void Resolve(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild,
                       Variant& value) = 0;

 protected:
  ~TSMINameResolver() = default;
};

// One node of a compiled expression: a leaf (a number, a text or a name), an operator
// with its operands, a sign with its operand, or a function call with its arguments.
class TExpNode {
 public:
  enum class TKind { Leaf, Operator, Negate, Call };

  // The tree of tokens[begin, end); raises the compile errors.
  static std::unique_ptr<TExpNode> Compile(const std::vector<TSMIToken>& tokens, std::size_t begin,
                                           std::size_t end, int depth = 0);

  TKind Kind() const { return fKind; }
  // The leaf's token, the operator, the sign or the function name.
  const TSMIToken& Token() const { return fToken; }
  TSMIOperator Operator() const { return fOperator; }
  const std::vector<std::unique_ptr<TExpNode>>& Children() const { return fChildren; }
  int Depth() const { return fDepth; }
  // Of a name or call: its token upper-cased, the name as the resolver is asked for it, and
  // the value the resolver starts from.
  const AnsiString& UpperName() const { return fUpperName; }
  const AnsiString& Name() const { return fName; }
  const Variant& NameValue() const { return fNameValue; }

  // isChild: the value is part of a larger expression (an operand or an argument).
  Variant Evaluate(TSMINameResolver& resolver, bool isChild) const;

 private:
  TExpNode(TKind kind, const TSMIToken& token, int depth);
  Variant EvaluateOperator(TSMINameResolver& resolver) const;
  Variant EvaluateCall(TSMINameResolver& resolver, bool isChild) const;
  Variant ResolveName(TSMINameResolver& resolver, const TSMIArguments& args, int argCount, bool isChild) const;

  TKind fKind;
  TSMIToken fToken;
  // Of a name or call, worked out once: a mapping is evaluated for every row.
  AnsiString fUpperName;  // to tell built-ins by
  AnsiString fName;       // without its quotes or brackets, as the resolver is asked for it
  Variant fNameValue;     // fName, the value a resolver starts from, shared rather than made anew
  TSMIOperator fOperator = TSMIOperator::Add;
  std::vector<std::unique_ptr<TExpNode>> fChildren;
  int fDepth;
};

// The whole text compiled: nullptr for a text without tokens.
std::unique_ptr<TExpNode> CompileExpression(const AnsiString& text);

// ---- User functions -------------------------------------------------------------------

class TSMIParserFunction {
 public:
  // "NAME(A, B)=body" or "NAME=body"; raises "Function "%s" is not valid." for a bad
  // name or a text without "=", and "Function header "%s" is not valid." for a bad
  // parameter list.
  explicit TSMIParserFunction(const AnsiString& definition);

  const AnsiString& Name() const { return fName; }
  const std::vector<AnsiString>& ParameterNames() const { return fParameterNames; }
  const AnsiString& Body() const { return fBody; }

 private:
  AnsiString fName;
  std::vector<AnsiString> fParameterNames;
  AnsiString fBody;
};

class TSMIParserFunctions {
 public:
  TSMIParserFunctions() = default;
  TSMIParserFunctions(const TSMIParserFunctions&) = default;
  TSMIParserFunctions(TSMIParserFunctions&&) = default;
  TSMIParserFunctions& operator=(const TSMIParserFunctions& other);
  TSMIParserFunctions& operator=(TSMIParserFunctions&& other) noexcept;
  ~TSMIParserFunctions() = default;

  // Adds (or, for a name already there, replaces) a function from its definition.
  const TSMIParserFunction& Add(const AnsiString& definition);
  // By name without regard to case; nullptr when absent.
  const TSMIParserFunction* Find(const AnsiString& name) const;
  int Count() const { return static_cast<int>(fFunctions.size()); }
  void Clear();

  // Counts the changes of every list of the process: a finding that depends on the lists
  // holds while the count stands.
  static unsigned long Changes() { return fChanges; }

 private:
  static void Changed() { ++fChanges; }

  std::vector<TSMIParserFunction> fFunctions;
  static inline unsigned long fChanges = 0;
};

// Arguments of a request that has none.
inline const TSMIArguments& NoArguments() {
  static const TSMIArguments none;
  return none;
}

// The process's list, holding "PI=3.14" from the start. Used from the GUI thread only.
TSMIParserFunctions& GlobalParserFunctions();

// ---- The parser component -------------------------------------------------------------

class TSMIParser : public TComponent, private TSMINameResolver {
  ORDVANE_CLASS(TSMIParser, TComponent)

 public:
  explicit TSMIParser(TComponent* owner);

  // Evaluates Text, an empty text giving Null. Text is tokenized and compiled at the first
  // calculation after it changed, so a parser kept for an expression evaluates it again
  // and again at the cost of its evaluation alone.
  Variant Calculate();
  // Tokenizes and compiles Text only, raising on a syntax error.
  void CheckSyntax() const;
  // The leaf of a Text that is one plain name which neither GETDATE nor a user function
  // (of this parser or of the process) takes: calculating it does no more than ask
  // OnEvaluate for the name, alone, with the name as the value. nullptr for any other Text.
  // Compiles a Text that changed.
  const TExpNode* SoleName();
  const Variant& Value() const { return fValue; }

  const AnsiString& Text() const { return fText; }
  void SetText(const AnsiString& text);
  // With ProcessBeforeEvent OnEvaluate is asked before the user functions, which then
  // get only the names it leaves (done cleared); otherwise the user functions come first.
  bool ProcessBeforeEvent() const { return fProcessBeforeEvent; }
  void SetProcessBeforeEvent(bool value) { fProcessBeforeEvent = value; }
  // This parser's own user functions, looked up before the process's list.
  TSMIParserFunctions& Functions() { return fFunctions; }

  TOnEvaluate OnEvaluate;

 private:
  void Resolve(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild,
               Variant& value) override;
  bool FireEvaluate(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild, Variant& value);
  Variant CallFunction(const TSMIParserFunction& function, const TSMIArguments& args, int argCount);
  void CompileChangedText();
  const TSMIParserFunction* FindFunction(const AnsiString& name) const;

  AnsiString fText;
  // The tree of fText once fCompiled; shared, so that a handler that changes Text while the
  // tree is evaluated does not free it under the evaluation.
  std::shared_ptr<const TExpNode> fTree;
  bool fCompiled = false;
  // What SoleName found in fTree, while no function list changed: every row asks it.
  const TExpNode* fSoleName = nullptr;
  std::optional<unsigned long> fSoleNameChanges;
  bool fProcessBeforeEvent = false;
  TSMIParserFunctions fFunctions;
  Variant fValue;
};

// The language's number test: the text, with the process's decimal separator read as
// ".", is a whole number ("12", "-1.5", "1e3", with blanks around).
bool TryExpressionNumber(const AnsiString& text, double& value);
// The same test with another decimal separator in place of the process's.
bool TryExpressionNumber(const AnsiString& text, double& value, char decimalSeparator);

// ---- Named parameters -----------------------------------------------------------------

enum TSMIParameterEditor { ipeEdit, ipeMemo, ipeCheckBox, ipeCombobox, ipeListBox };
enum TSMIParameterMode { ipmCalculate, ipmCalculateAndAsk, ipmAsk };

class TSMIParameter : public TCollectionItem {
  ORDVANE_CLASS(TSMIParameter, TCollectionItem)

 public:
  // Named "Parameter" and the collection's item count, this item included.
  explicit TSMIParameter(TCollection* collection);

  const AnsiString& Caption() const { return fCaption; }
  void SetCaption(const AnsiString& value) { fCaption = value; }
  const AnsiString& Name() const { return fName; }
  // A caption that showed the old name follows the new one.
  void SetName(const AnsiString& value);
  const AnsiString& Expression() const { return fExpression; }
  void SetExpression(const AnsiString& value) { fExpression = value; }
  const AnsiString& Description() const { return fDescription; }
  void SetDescription(const AnsiString& value) { fDescription = value; }
  TStrings* ParamPromptValues() const { return fParamPromptValues.get(); }
  void SetParamPromptValues(const TStrings* values) { fParamPromptValues->Assign(values); }
  TSMIParameterEditor ParameterEditor() const { return fParameterEditor; }
  void SetParameterEditor(TSMIParameterEditor value) { fParameterEditor = value; }
  TSMIParameterMode ParameterMode() const { return fParameterMode; }
  void SetParameterMode(TSMIParameterMode value) { fParameterMode = value; }
  bool Required() const { return fRequired; }
  void SetRequired(bool value) { fRequired = value; }

  const Variant& Value() const { return fValue; }
  void SetValue(const Variant& value) { fValue = value; }

  // Copies the published properties of another parameter.
  void Assign(const TPersistent* source) override;
  AnsiString GetDisplayName() const override { return fName; }

 private:
  AnsiString fCaption;
  AnsiString fName;
  AnsiString fExpression;
  AnsiString fDescription;
  std::unique_ptr<TStringList> fParamPromptValues = std::make_unique<TStringList>();
  TSMIParameterEditor fParameterEditor = ipeEdit;
  TSMIParameterMode fParameterMode = ipmCalculateAndAsk;
  bool fRequired = false;
  Variant fValue;
};

class TSMIParameters : public TCollection {
  ORDVANE_CLASS(TSMIParameters, TCollection)

 public:
  explicit TSMIParameters(TPersistent* owner);

  TSMIParameter* Add() { return static_cast<TSMIParameter*>(TCollection::Add()); }
  TSMIParameter* Items(int index) const { return static_cast<TSMIParameter*>(TCollection::Items(index)); }
  // By exact (case-sensitive) name; nullptr when absent.
  TSMIParameter* FindParameter(const AnsiString& name) const;
};

}  // namespace ordvane
