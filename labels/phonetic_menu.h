// The annotator's two popup menus (phonemes, classes) as plain trees, and the
// parser of their bracketed syntax in the language file:
//   menu = "[" item { "," item } "]";  item = "caption" [ "[" item { "," item } "]" ]
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ardv {

class PhoneticDescription;

// Command numbers of menu items: kMenuCommandBase + phoneme index for a
// phoneme, kMenuCommandBase - class index for a class.
constexpr int kMenuCommandBase = 10000;

// One node of a menu tree: a submenu (caption and children) or an item
// (caption, command number and the text to display).
struct MenuNode {
  std::string caption;
  int command = 0;        // items only
  std::string displayed;  // items only
  std::vector<MenuNode> children;
  bool submenu = false;
};

// A parsed menu: the root popup (caption: interface text 5304) holding the
// top-level items, and the title (the first caption of the file's menu).
// An empty menu (built false) is what a failed parse leaves.
struct PhoneticMenu {
  bool built = false;
  std::string title;
  MenuNode root;
};

// Parses `text` (the joined lines of a menu) against the inventory of `desc`.
// `classMenu` allows leaves naming classes ("[name]"). Returns false after
// logging the specific fault (texts 5316-5319) to the trace window; `out` is
// then left empty and `errorOffset` holds the offset in `text` where the parse
// stopped (the caller logs text 5320 with the context there).
bool parsePhoneticMenu(const std::string& text, const PhoneticDescription& desc, bool classMenu, PhoneticMenu& out,
                       std::size_t& errorOffset);

// The phoneme or class index a menu command stands for: >= 0 a phoneme,
// < 0 the class -index. Commands outside the menu range give 0.
int menuCommandIndex(int command);

}  // namespace ardv
