// Infix to postfix compilation with an operator stack that remembers the
// parenthesis level of each operator, and the evaluating stack machine.
#include "signal/profile_expression.h"

#include <cctype>
#include <limits>

#include "platform/report.h"
#include "signal/transport_error.h"
#include "texts/text_format.h"
#include "texts/texts.h"

namespace ardv {
namespace {

bool profileTraceOn() { return debugLevel() == 5; }

void trace(const std::string& format, std::initializer_list<TextArg> args) {
  if (profileTraceOn()) traceLine(formatText(format, args));
}

int precedence(std::int32_t op) { return op == kOpMul || op == kOpDiv ? 1 : 0; }

char opChar(std::int32_t op) {
  static const char chars[] = "?+-*/";
  return op >= 1 && op <= 4 ? chars[op] : '?';
}

struct PendingOperator {
  int level;
  std::int32_t op;
};

// The two stacks of one compilation. Every step reports its own failure and
// sets failed_, after which nothing more is written.
class Compiler {
 public:
  explicit Compiler(const std::string& where) : where_(where) {}
  bool failed() const { return failed_; }
  CompiledExpression& result() { return result_; }
  bool operatorsEmpty() const { return operators_.empty(); }
  const PendingOperator& top() const { return operators_.back(); }

  void empile_res(char type, std::int32_t value) {
    trace("empile_res(type=%c,c=%d)", {static_cast<int>(type), value});
    if (failed_) return;
    if (static_cast<int>(result_.items.size()) >= kExpressionStack) {
      fail(3703);
      return;
    }
    result_.items.push_back({type, value});
  }

  void empile_op(int level, std::int32_t op) {
    trace("empile_op(niv=%d,optr=%c)", {level, static_cast<int>(opChar(op))});
    if (failed_) return;
    if (static_cast<int>(operators_.size()) >= kExpressionStack) {
      fail(3702);
      return;
    }
    operators_.push_back({level, op});
  }

  // Moves the top operator to the output.
  void depile_op() {
    trace("depile_op()", {});
    if (failed_) return;
    if (operators_.empty()) {
      fail(3704);
      return;
    }
    const std::int32_t op = operators_.back().op;
    operators_.pop_back();
    empile_res('o', op);
  }

  void fail(int textNumber) { fail(text(textNumber)); }
  void fail(const std::string& why) {
    if (failed_) return;
    message(where_ + why);
    failed_ = true;
  }

 private:
  const std::string& where_;
  CompiledExpression result_;
  std::vector<PendingOperator> operators_;
  bool failed_ = false;
};

// True when the postfix items leave exactly one value on the stack and no
// operator lacks an operand.
bool wellFormed(const CompiledExpression& e) {
  int depth = 0;
  for (const ExpressionItem& item : e.items) {
    if (item.type == 'o') {
      if (depth < 2) return false;
      --depth;
    } else {
      ++depth;
    }
  }
  return depth == 1;
}

}  // namespace

std::int32_t ctoop(char c) {
  trace("ctoop(c=%c)", {static_cast<int>(c)});
  switch (c) {
    case '+': return kOpAdd;
    case '-': return kOpSub;
    case '*': return kOpMul;
    case '/': return kOpDiv;
    default:
      message(text(3701));
      return 0;
  }
}

bool en_post(const std::string& text, CompiledExpression& out, const std::string& where) {
  trace("en_post(\"%s\")", {text});
  Compiler c(where);
  int level = 0;
  std::size_t i = 0;
  while (i < text.size() && !c.failed()) {
    const char ch = text[i];
    if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
      ++i;
    } else if (std::isdigit(static_cast<unsigned char>(ch))) {
      const std::size_t start = i;
      std::int64_t value = 0;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value <= std::numeric_limits<std::int32_t>::max()) value = value * 10 + (text[i] - '0');
        ++i;
      }
      if (value > std::numeric_limits<std::int32_t>::max()) {
        c.fail("the number " + utf8Prefix(text.substr(start, i - start), 40) + " is too large in \"" + text + "\"");
        break;
      }
      c.empile_res('n', static_cast<std::int32_t>(value));
    } else if (ch >= 'a' && ch <= 'z') {
      c.result().usedVariables[static_cast<std::size_t>(ch - 'a')] = true;
      c.empile_res('v', ch - 'a');
      ++i;
    } else if (text.compare(i, 3, "SOF") == 0) {
      c.empile_res('c', 0);
      i += 3;
    } else if (ch == '(') {
      ++level;
      ++i;
    } else if (ch == ')') {
      if (level == 0) {
        c.fail("a \")\" without its \"(\" in \"" + text + "\"");
        break;
      }
      while (!c.failed() && !c.operatorsEmpty() && c.top().level == level) c.depile_op();
      --level;
      ++i;
    } else if (ch == '+' || ch == '-' || ch == '*' || ch == '/') {
      const std::int32_t op = ctoop(ch);
      while (!c.failed() && !c.operatorsEmpty() && c.top().level == level &&
             precedence(c.top().op) >= precedence(op)) {
        c.depile_op();
      }
      c.empile_op(level, op);
      ++i;
    } else {
      // A character that cannot occur makes the whole value doubtful.
      c.fail(ardv::text(3705) + " (\"" + text + "\")");
      break;
    }
  }
  if (!c.failed() && level != 0) c.fail("a \"(\" without its \")\" in \"" + text + "\"");
  while (!c.failed() && !c.operatorsEmpty()) c.depile_op();
  if (c.failed()) return false;
  if (!wellFormed(c.result())) {
    message(where + "Incomplete expression (an operand or an operator is missing): \"" + text + "\"");
    return false;
  }
  out = std::move(c.result());
  return true;
}

std::optional<std::int64_t> evaluate(const CompiledExpression& expression, const ExpressionVariables* variables,
                                     std::string* why) {
  const auto failure = [why](const char* reason) -> std::optional<std::int64_t> {
    if (why) *why = reason;
    return std::nullopt;
  };
  std::vector<std::int64_t> stack;
  stack.reserve(expression.items.size());
  for (const ExpressionItem& item : expression.items) {
    switch (item.type) {
      case 'n':
        stack.push_back(item.value);
        break;
      case 'v':
        if (variables == nullptr) {
          message(text(3903));
          stack.push_back(0);
        } else {
          stack.push_back(item.value >= 0 && item.value < 26 ? (*variables)[static_cast<std::size_t>(item.value)] : 0);
        }
        break;
      case 'c':
        stack.push_back(variables ? (*variables)[kExpressionVariables - 1] : 0);
        break;
      case 'o': {
        if (stack.size() < 2) return failure("incomplete expression");
        const std::int64_t b = stack.back();
        stack.pop_back();
        const std::int64_t a = stack.back();
        std::int64_t r = a;
        bool overflow = false;
        switch (item.value) {
          case kOpAdd: overflow = __builtin_add_overflow(a, b, &r); break;
          case kOpSub: overflow = __builtin_sub_overflow(a, b, &r); break;
          case kOpMul: overflow = __builtin_mul_overflow(a, b, &r); break;
          case kOpDiv:
            if (b == 0) return failure("division by zero");
            overflow = a == std::numeric_limits<std::int64_t>::min() && b == -1;
            if (!overflow) r = a / b;
            break;
          default: break;
        }
        if (overflow) return failure("a result beyond 64 bits");
        stack.back() = r;
        break;
      }
      default:
        message(text(3904));
        break;
    }
  }
  if (stack.empty()) return failure("incomplete expression");
  return stack.front();
}

}  // namespace ardv
