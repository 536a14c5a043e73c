// Integer expressions of the format profiles: compiled from infix text
// (`en_post`) into postfix items and evaluated on a small stack machine.
//
// Syntax: decimal numbers, variables a..z, SOF (the size of the file in bytes),
// + - * / with the usual precedences (left associative) and parentheses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ardv {

// Most items and most pending operators of one expression.
constexpr int kExpressionStack = 20;
// The variables of an evaluation: a..z, then the size of the file.
constexpr int kExpressionVariables = 27;
using ExpressionVariables = std::array<std::int64_t, kExpressionVariables>;

// Operator codes.
enum : std::int32_t { kOpAdd = 1, kOpSub = 2, kOpMul = 3, kOpDiv = 4 };

struct ExpressionItem {
  char type = 'n';         // 'n' number, 'v' variable index, 'c' file size, 'o' operator code
  std::int32_t value = 0;  // the number, the variable index 0..25 or the operator code
};

struct CompiledExpression {
  std::array<bool, 26> usedVariables{};  // which of a..z occur
  std::vector<ExpressionItem> items;     // postfix order, at most kExpressionStack
};

// Operator code of c: 1 '+', 2 '-', 3 '*', 4 '/'; anything else gives the
// message UI text 3701 and 0.
std::int32_t ctoop(char c);

// Compiles the infix `text` into `out`. Returns false, after one message
// beginning with `where` (the profile and line, for the reader), when a
// character cannot occur (UI text 3705), parentheses do not balance, a
// number exceeds the int32 range, an operator or output stack would
// overflow (UI texts 3702 / 3703), an operator is popped from an empty stack
// (3704), or the postfix items do not form one value (an operand or an
// operator missing); `out` is then unchanged. At debug level 5 every step is
// traced.
bool en_post(const std::string& text, CompiledExpression& out, const std::string& where = std::string());

// Value of a compiled expression. `variables` may be nullptr (then a variable
// gives UI text 3903 and counts as 0; SOF counts as 0). Integer division
// truncates toward zero. Nothing, with the reason in `why` when given and no
// message, for a division by zero, a result beyond 64 bits or an incomplete
// expression. An item of unknown type gives UI text 3904 and is skipped. The
// result is the bottom element of the stack.
std::optional<std::int64_t> evaluate(const CompiledExpression& expression, const ExpressionVariables* variables,
                                     std::string* why = nullptr);

}  // namespace ardv
