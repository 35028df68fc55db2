#include "import/SMIPars.h"

#include <algorithm>

#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "import/SMIBaseSupport.h"
#include "import/SMIParsFunctions.h"

namespace ordvane {

namespace {

// A tree deeper than this is refused rather than risk the stack: no hand-written
// expression comes near it.
constexpr int kMaxNesting = 256;

struct OperatorEntry {
  const char* text;
  TSMIOperator op;
  int operands;
};

// The operator table, in binding order.
constexpr OperatorEntry kOperators[] = {
    {"+", TSMIOperator::Add, 2},        {"-", TSMIOperator::Subtract, 2},     {"*", TSMIOperator::Multiply, 2},
    {"/", TSMIOperator::Divide, 2},     {"^", TSMIOperator::Power, 2},        {"!", TSMIOperator::Factorial, 1},
    {"=", TSMIOperator::Equal, 2},      {"<", TSMIOperator::Less, 2},         {">", TSMIOperator::Greater, 2},
    {"<=", TSMIOperator::LessEqual, 2}, {">=", TSMIOperator::GreaterEqual, 2}, {"<>", TSMIOperator::NotEqual, 2},
    {"!=", TSMIOperator::NotEqualC, 2}, {"AND", TSMIOperator::And, 2},        {"OR", TSMIOperator::Or, 2},
    {"NOT", TSMIOperator::Not, 1}};

const OperatorEntry* FindOperator(const AnsiString& text) {
  for (const OperatorEntry& entry : kOperators)
    if (SameText(text, entry.text)) return &entry;
  return nullptr;
}

int Rank(TSMIOperator op) { return static_cast<int>(op); }

[[noreturn]] void SyntaxFault() { throw Exception("Compile error: syntax fault."); }
[[noreturn]] void ParenthesisMismatch() { throw Exception("Compile error: parenthesis mismatch."); }
[[noreturn]] void FunctionParseError() { throw Exception("Function parse error."); }
[[noreturn]] void TooDeep() { throw Exception("Compile error: expression too deeply nested."); }

// ---- Tokenizer ------------------------------------------------------------------------

bool StartsName(char c) { return IsAsciiLetter(c) || c == '_'; }
bool ContinuesName(char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '$' || c == '#' || c == '@' || c == '\'' ||
         c == '"' || c == ']';
}

class Tokenizer {
 public:
  explicit Tokenizer(const AnsiString& text) : fText(text) {}

  std::vector<TSMIToken> Run() {
    while (fPos < fText.size()) {
      const char c = fText[fPos];
      if (IsBlankOrControl(c))
        ++fPos;
      else if (IsAsciiDigit(c) || (c == '.' && IsAsciiDigit(At(fPos + 1))))
        ReadNumber();
      else if (c == '\'')
        ReadString();
      else if (c == '"' || c == '[')
        ReadEnclosedName(c == '"' ? '"' : ']');
      else if (StartsName(c))
        ReadName();
      else if (c == '(' || c == ')')
        Emit(TSMITokenKind::Parenthesis, fPos, fPos + 1);
      else if (c == ',')
        Emit(TSMITokenKind::Separator, fPos, fPos + 1);
      else
        ReadOperator();
    }
    return std::move(fTokens);
  }

 private:
  char At(std::size_t pos) const { return pos < fText.size() ? fText[pos] : '\0'; }

  [[noreturn]] void Illegal(std::size_t pos) const {
    throw Exception(Format("Parse error: illegal character \"%s\" at position %d.",
                           {AnsiString(1, fText[pos]), static_cast<int>(pos + 1)}));
  }

  void Emit(TSMITokenKind kind, std::size_t start, std::size_t end) {
    fTokens.push_back({kind, fText.substr(start, end - start), static_cast<int>(start + 1)});
    fPos = end;
  }

  void ReadNumber() {
    std::size_t end = fPos;
    while (IsAsciiDigit(At(end))) ++end;
    if (At(end) == '.')
      for (++end; IsAsciiDigit(At(end));) ++end;
    Emit(TSMITokenKind::Number, fPos, end);
  }

  // 'text' with '' standing for one apostrophe.
  void ReadString() {
    const std::size_t start = fPos;
    AnsiString text;
    for (std::size_t pos = start + 1;; ++pos) {
      if (pos >= fText.size()) Illegal(start);
      if (fText[pos] != '\'') {
        text += fText[pos];
      } else if (At(pos + 1) == '\'') {
        text += '\'';
        ++pos;
      } else {
        fTokens.push_back({TSMITokenKind::String, text, static_cast<int>(start + 1)});
        fPos = pos + 1;
        return;
      }
    }
  }

  void ReadEnclosedName(char closing) {
    const std::size_t close = fText.find(closing, fPos + 1);
    if (close == AnsiString::npos) Illegal(fPos);
    Emit(TSMITokenKind::Name, fPos, close + 1);
  }

  void ReadName() {
    std::size_t end = fPos + 1;
    while (ContinuesName(At(end))) ++end;
    const AnsiString word = fText.substr(fPos, end - fPos);
    const OperatorEntry* op = FindOperator(word);
    Emit(op != nullptr ? TSMITokenKind::Operator : TSMITokenKind::Name, fPos, end);
  }

  void ReadOperator() {
    for (std::size_t length : {2, 1}) {
      if (fPos + length > fText.size()) continue;
      const OperatorEntry* op = FindOperator(fText.substr(fPos, length));
      if (op != nullptr) {
        Emit(TSMITokenKind::Operator, fPos, fPos + length);
        return;
      }
    }
    Illegal(fPos);
  }

  const AnsiString& fText;
  std::size_t fPos = 0;
  std::vector<TSMIToken> fTokens;
};

// ---- Compiler helpers -----------------------------------------------------------------

bool IsToken(const TSMIToken& token, TSMITokenKind kind, const char* text) {
  return token.Kind == kind && token.Text == text;
}
bool IsOpen(const TSMIToken& token) { return IsToken(token, TSMITokenKind::Parenthesis, "("); }
bool IsClose(const TSMIToken& token) { return IsToken(token, TSMITokenKind::Parenthesis, ")"); }

// The index of the ")" that closes the "(" at open, or end when it is not closed before end.
std::size_t MatchingClose(const std::vector<TSMIToken>& tokens, std::size_t open, std::size_t end) {
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (IsOpen(tokens[i])) ++depth;
    if (IsClose(tokens[i]) && --depth == 0) return i;
  }
  return end;
}

// A "+" or "-" with no operand before it is a sign.
bool IsSignPosition(const std::vector<TSMIToken>& tokens, std::size_t begin, std::size_t i) {
  if (i == begin) return true;
  const TSMIToken& before = tokens[i - 1];
  if (before.Kind == TSMITokenKind::Separator || IsOpen(before)) return true;
  return before.Kind == TSMITokenKind::Operator && FindOperator(before.Text)->op != TSMIOperator::Factorial;
}

bool IsSign(const TSMIToken& token) {
  return token.Kind == TSMITokenKind::Operator && (token.Text == "+" || token.Text == "-");
}

// The operator a node splits at: at parenthesis depth 0, the loosest binding one; among
// equal ones the rightmost, so that they group to the left, except NOT, which groups to the
// right as it precedes its operand. end when there is none.
std::size_t SplitPosition(const std::vector<TSMIToken>& tokens, std::size_t begin, std::size_t end) {
  std::size_t best = end;
  int bestRank = 0;
  int depth = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const TSMIToken& token = tokens[i];
    if (IsOpen(token)) ++depth;
    if (IsClose(token) && --depth < 0) ParenthesisMismatch();
    if (depth != 0 || token.Kind != TSMITokenKind::Operator) continue;
    if (IsSign(token) && IsSignPosition(tokens, begin, i)) continue;
    const TSMIOperator op = FindOperator(token.Text)->op;
    const bool better = best == end || Rank(op) < bestRank || (Rank(op) == bestRank && op != TSMIOperator::Not);
    if (better) {
      best = i;
      bestRank = Rank(op);
    }
  }
  if (depth != 0) ParenthesisMismatch();
  return best;
}

// The name without one leading double quote or "[" and one trailing double quote or "]".
AnsiString StripName(const AnsiString& text) {
  std::size_t begin = 0, end = text.size();
  if (end > 0 && (text[0] == '"' || text[0] == '[')) begin = 1;
  if (end > begin && (text[end - 1] == '"' || text[end - 1] == ']')) --end;
  return text.substr(begin, end - begin);
}

Variant Factorial(const Variant& operand) {
  if (VarIsNull(operand)) return Null();
  const Int64 n = Round(operand.AsDouble());
  if (n < 0) throw EInvalidOp("Invalid floating point operation");
  // 171! is beyond the double range.
  if (n > 170) throw EOverflow("Floating point overflow");
  double result = 1;
  for (Int64 i = 2; i <= n; ++i) result *= static_cast<double>(i);
  return result;
}

// Evaluation nests through operands, arguments and user-function calls alike; one count
// per thread bounds them all, so a function that calls itself without end stops too.
thread_local int tEvaluationNesting = 0;

class NestingGuard {
 public:
  NestingGuard() {
    if (tEvaluationNesting >= 2 * kMaxNesting) throw Exception("Calculate error: expression too deeply nested.");
    ++tEvaluationNesting;
  }
  ~NestingGuard() { --tEvaluationNesting; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
};

}  // namespace

// ---- Tokens and tree ------------------------------------------------------------------

std::vector<TSMIToken> TokenizeExpression(const AnsiString& text) { return Tokenizer(text).Run(); }

TExpNode::TExpNode(TKind kind, const TSMIToken& token, int depth) : fKind(kind), fToken(token), fDepth(depth) {
  if (kind == TKind::Call || (kind == TKind::Leaf && token.Kind == TSMITokenKind::Name)) {
    fUpperName = UpperCase(token.Text);
    fName = StripName(token.Text);
    fNameValue = fName;
  }
}

std::unique_ptr<TExpNode> TExpNode::Compile(const std::vector<TSMIToken>& tokens, std::size_t begin,
                                            std::size_t end, int depth) {
  if (depth > kMaxNesting) TooDeep();
  while (end - begin >= 2 && IsOpen(tokens[begin]) && MatchingClose(tokens, begin, end) == end - 1) {
    ++begin;
    --end;
  }
  if (begin == end) SyntaxFault();
  if (end - begin == 1) {
    const TSMIToken& token = tokens[begin];
    if (token.Kind != TSMITokenKind::Name && token.Kind != TSMITokenKind::Number &&
        token.Kind != TSMITokenKind::String)
      SyntaxFault();
    return std::unique_ptr<TExpNode>(new TExpNode(TKind::Leaf, token, depth));
  }

  const std::size_t split = SplitPosition(tokens, begin, end);
  if (split != end) {
    const OperatorEntry& entry = *FindOperator(tokens[split].Text);
    const bool hasLeft = split > begin, hasRight = split + 1 < end;
    const bool prefix = entry.op == TSMIOperator::Not, postfix = entry.op == TSMIOperator::Factorial;
    if (hasLeft == prefix || hasRight == postfix) SyntaxFault();
    std::unique_ptr<TExpNode> node(new TExpNode(TKind::Operator, tokens[split], depth));
    node->fOperator = entry.op;
    if (hasLeft) node->fChildren.push_back(Compile(tokens, begin, split, depth + 1));
    if (hasRight) node->fChildren.push_back(Compile(tokens, split + 1, end, depth + 1));
    return node;
  }

  if (IsSign(tokens[begin])) {
    std::unique_ptr<TExpNode> operand = Compile(tokens, begin + 1, end, depth + 1);
    if (tokens[begin].Text == "+") return operand;
    std::unique_ptr<TExpNode> node(new TExpNode(TKind::Negate, tokens[begin], depth));
    node->fChildren.push_back(std::move(operand));
    return node;
  }

  if (tokens[begin].Kind != TSMITokenKind::Name || !IsOpen(tokens[begin + 1])) SyntaxFault();
  if (MatchingClose(tokens, begin + 1, end) != end - 1) FunctionParseError();
  std::unique_ptr<TExpNode> node(new TExpNode(TKind::Call, tokens[begin], depth));
  const std::size_t argsBegin = begin + 2, argsEnd = end - 1;
  if (argsBegin == argsEnd) return node;
  int level = 0;
  std::size_t argBegin = argsBegin;
  for (std::size_t i = argsBegin; i <= argsEnd; ++i) {
    if (i < argsEnd && IsOpen(tokens[i])) ++level;
    if (i < argsEnd && IsClose(tokens[i])) --level;
    if (i == argsEnd || (level == 0 && tokens[i].Kind == TSMITokenKind::Separator)) {
      if (node->fChildren.size() == kSMIMaxArguments) FunctionParseError();
      node->fChildren.push_back(Compile(tokens, argBegin, i, depth + 1));
      argBegin = i + 1;
    }
  }
  return node;
}

std::unique_ptr<TExpNode> CompileExpression(const AnsiString& text) {
  const std::vector<TSMIToken> tokens = TokenizeExpression(text);
  if (tokens.empty()) return nullptr;
  return TExpNode::Compile(tokens, 0, tokens.size());
}

Variant TExpNode::Evaluate(TSMINameResolver& resolver, bool isChild) const {
  const NestingGuard guard;
  switch (fKind) {
    case TKind::Leaf:
      if (fToken.Kind == TSMITokenKind::String) return fToken.Text;
      if (fToken.Kind == TSMITokenKind::Number) {
        double value = 0;
        TryExpressionNumber(fToken.Text, value);
        return value;
      }
      return EvaluateCall(resolver, isChild);
    case TKind::Operator:
      return EvaluateOperator(resolver);
    case TKind::Negate:
      return -fChildren[0]->Evaluate(resolver, true);
    case TKind::Call:
      return EvaluateCall(resolver, isChild);
  }
  return Null();
}

Variant TExpNode::EvaluateOperator(TSMINameResolver& resolver) const {
  // Compile gives every operator node exactly its operands.
  const Variant a = fChildren[0]->Evaluate(resolver, true);
  if (fChildren.size() == 1) {
    if (fOperator == TSMIOperator::Factorial) return Factorial(a);
    return VarNot(a);
  }
  const Variant b = fChildren[1]->Evaluate(resolver, true);
  switch (fOperator) {
    case TSMIOperator::Add:
      if (smi_internal::IsText(a) || smi_internal::IsText(b)) return JoinTexts(VarToStr(a), VarToStr(b));
      return a + b;
    case TSMIOperator::Subtract: return a - b;
    case TSMIOperator::Multiply: return a * b;
    case TSMIOperator::Divide: return a / b;
    case TSMIOperator::Power:
      if (VarIsNull(a) || VarIsNull(b)) return Null();
      return CheckedFloat(Power(a.AsDouble(), b.AsDouble()));
    case TSMIOperator::Equal: return a == b;
    case TSMIOperator::Less: return a < b;
    case TSMIOperator::Greater: return a > b;
    case TSMIOperator::LessEqual: return a <= b;
    case TSMIOperator::GreaterEqual: return a >= b;
    case TSMIOperator::NotEqual:
    case TSMIOperator::NotEqualC: return a != b;
    case TSMIOperator::And: return VarAnd(a, b);
    case TSMIOperator::Or: return VarOr(a, b);
    default: break;
  }
  throw Exception("Calculate error: syntax tree fault.");
}

Variant TExpNode::EvaluateCall(TSMINameResolver& resolver, bool isChild) const {
  if (fUpperName == "GETDATE") return VarFromDateTime(Now());
  const int argCount = static_cast<int>(fChildren.size());
  if (fKind == TKind::Call && IsBuiltinFunction(fUpperName))
    return CallBuiltinFunction(fUpperName, argCount,
                               [&](int i) { return fChildren[i]->Evaluate(resolver, true); });
  // A plain name (every cell reference of every row) fills no argument slots.
  if (argCount == 0) return ResolveName(resolver, NoArguments(), 0, isChild);
  TSMIArguments args;
  for (int i = 0; i < argCount; ++i) args[i] = fChildren[i]->Evaluate(resolver, true);
  return ResolveName(resolver, args, argCount, isChild);
}

Variant TExpNode::ResolveName(TSMINameResolver& resolver, const TSMIArguments& args, int argCount,
                              bool isChild) const {
  Variant value = fNameValue;
  resolver.Resolve(fName, args, argCount, isChild, value);
  return value;
}

// ---- User functions -------------------------------------------------------------------

namespace {

bool IsFunctionName(const AnsiString& name) {
  if (name.empty() || !StartsName(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_'; });
}

// Runs a user function's body: its parameter names give the call's arguments, every other
// name goes to the resolver of the caller.
class FunctionScope : public TSMINameResolver {
 public:
  FunctionScope(const TSMIParserFunction& function, const TSMIArguments& args, TSMINameResolver& caller)
      : fFunction(function), fArgs(args), fCaller(caller) {}

  void Resolve(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild,
               Variant& value) override {
    const auto& names = fFunction.ParameterNames();
    for (std::size_t i = 0; argCount == 0 && i < names.size(); ++i)
      if (SameText(names[i], name)) {
        value = fArgs[i];
        return;
      }
    fCaller.Resolve(name, args, argCount, isChild, value);
  }

 private:
  const TSMIParserFunction& fFunction;
  const TSMIArguments& fArgs;
  TSMINameResolver& fCaller;
};

}  // namespace

TSMIParserFunction::TSMIParserFunction(const AnsiString& definition) {
  const std::size_t equals = definition.find('=');
  if (equals == AnsiString::npos) throw Exception(Format("Function \"%s\" is not valid.", {definition}));
  const AnsiString header = Trim(definition.substr(0, equals));
  fBody = definition.substr(equals + 1);
  const std::size_t open = header.find('(');
  fName = Trim(header.substr(0, open));
  if (!IsFunctionName(fName)) throw Exception(Format("Function \"%s\" is not valid.", {fName}));
  if (open == AnsiString::npos) return;
  if (header.back() != ')') throw Exception(Format("Function header \"%s\" is not valid.", {header}));
  const AnsiString list = Trim(header.substr(open + 1, header.size() - open - 2));
  if (list.empty()) return;
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(',', start);
    const AnsiString name = Trim(list.substr(start, comma == AnsiString::npos ? AnsiString::npos : comma - start));
    if (!IsFunctionName(name)) throw Exception(Format("Function header \"%s\" is not valid.", {header}));
    fParameterNames.push_back(name);
    if (comma == AnsiString::npos) break;
    start = comma + 1;
  }
}

TSMIParserFunctions& TSMIParserFunctions::operator=(const TSMIParserFunctions& other) {
  fFunctions = other.fFunctions;
  Changed();
  return *this;
}

TSMIParserFunctions& TSMIParserFunctions::operator=(TSMIParserFunctions&& other) noexcept {
  fFunctions = std::move(other.fFunctions);
  Changed();
  return *this;
}

void TSMIParserFunctions::Clear() {
  fFunctions.clear();
  Changed();
}

const TSMIParserFunction& TSMIParserFunctions::Add(const AnsiString& definition) {
  TSMIParserFunction function(definition);
  Changed();
  for (TSMIParserFunction& existing : fFunctions)
    if (SameText(existing.Name(), function.Name())) return existing = std::move(function);
  fFunctions.push_back(std::move(function));
  return fFunctions.back();
}

const TSMIParserFunction* TSMIParserFunctions::Find(const AnsiString& name) const {
  for (const TSMIParserFunction& function : fFunctions)
    if (SameText(function.Name(), name)) return &function;
  return nullptr;
}

TSMIParserFunctions& GlobalParserFunctions() {
  static TSMIParserFunctions functions = [] {
    TSMIParserFunctions list;
    list.Add("PI=3.14");
    return list;
  }();
  return functions;
}

// ---- The parser -----------------------------------------------------------------------

TSMIParser::TSMIParser(TComponent* owner) : TComponent(owner) {}

void TSMIParser::SetText(const AnsiString& text) {
  if (fCompiled && text == fText) return;
  fText = text;
  fCompiled = false;
}

void TSMIParser::CompileChangedText() {
  if (fCompiled) return;
  fSoleNameChanges.reset();
  fTree = CompileExpression(fText);
  fCompiled = true;
}

const TExpNode* TSMIParser::SoleName() {
  CompileChangedText();
  if (fSoleNameChanges == TSMIParserFunctions::Changes()) return fSoleName;
  const TExpNode* tree = fTree.get();
  const bool plainName = tree != nullptr && tree->Kind() == TExpNode::TKind::Leaf &&
                         tree->Token().Kind == TSMITokenKind::Name && tree->UpperName() != "GETDATE" &&
                         FindFunction(tree->Name()) == nullptr;
  fSoleName = plainName ? tree : nullptr;
  fSoleNameChanges = TSMIParserFunctions::Changes();
  return fSoleName;
}

Variant TSMIParser::Calculate() {
  CompileChangedText();
  const std::shared_ptr<const TExpNode> tree = fTree;
  fValue = tree ? tree->Evaluate(*this, false) : Null();
  return fValue;
}

void TSMIParser::CheckSyntax() const { CompileExpression(fText); }

const TSMIParserFunction* TSMIParser::FindFunction(const AnsiString& name) const {
  const TSMIParserFunction* function = fFunctions.Find(name);
  return function != nullptr ? function : GlobalParserFunctions().Find(name);
}

bool TSMIParser::FireEvaluate(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild,
                              Variant& value) {
  bool done = true;
  if (OnEvaluate) OnEvaluate(this, name, args, argCount, isChild, value, done);
  return OnEvaluate && done;
}

void TSMIParser::Resolve(const AnsiString& name, const TSMIArguments& args, int argCount, bool isChild,
                         Variant& value) {
  if (fProcessBeforeEvent && FireEvaluate(name, args, argCount, isChild, value)) return;
  if (const TSMIParserFunction* function = FindFunction(name)) {
    value = CallFunction(*function, args, argCount);
    return;
  }
  if (!fProcessBeforeEvent) FireEvaluate(name, args, argCount, isChild, value);
}

Variant TSMIParser::CallFunction(const TSMIParserFunction& function, const TSMIArguments& args, int argCount) {
  if (static_cast<std::size_t>(argCount) != function.ParameterNames().size()) FunctionParseError();
  const std::unique_ptr<TExpNode> body = CompileExpression(function.Body());
  if (!body) return Null();
  FunctionScope scope(function, args, *this);
  return body->Evaluate(scope, true);
}

bool TryExpressionNumber(const AnsiString& text, double& value) {
  return TryExpressionNumber(text, value, FormatSettings().DecimalSeparator);
}

bool TryExpressionNumber(const AnsiString& text, double& value, char decimalSeparator) {
  // Only the decimal separator of these settings is read.
  static const TFormatSettings pointSettings = [] {
    TFormatSettings settings;
    settings.DecimalSeparator = '.';
    return settings;
  }();
  AnsiString normalised = text;
  std::replace(normalised.begin(), normalised.end(), decimalSeparator, '.');
  return TryStrToFloat(normalised, value, pointSettings);
}

// ---- Named parameters -----------------------------------------------------------------

TSMIParameter::TSMIParameter(TCollection* collection) : TCollectionItem(collection) {
  SetName("Parameter" + IntToStr(collection != nullptr ? collection->Count() : 0));
}

void TSMIParameter::SetName(const AnsiString& value) {
  if (fCaption == fName) fCaption = value;
  fName = value;
}

void TSMIParameter::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMIParameter*>(source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  fCaption = other->fCaption;
  fName = other->fName;
  fExpression = other->fExpression;
  fDescription = other->fDescription;
  fParamPromptValues->Assign(other->fParamPromptValues.get());
  fParameterEditor = other->fParameterEditor;
  fParameterMode = other->fParameterMode;
  fRequired = other->fRequired;
}

TSMIParameters::TSMIParameters(TPersistent* owner)
    : TCollection(owner, TCollectionItemClass::Of<TSMIParameter>()) {}

TSMIParameter* TSMIParameters::FindParameter(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return Items(i);
  return nullptr;
}

}  // namespace ordvane
