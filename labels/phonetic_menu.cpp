// Recursive-descent parser of the annotator menus of the language file.
#include "labels/phonetic_menu.h"

#include "labels/phonetic_description.h"
#include "labels/quoted_token.h"
#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// Deeper nesting than this is refused, so that hostile input cannot exhaust
// the stack.
constexpr int kMaxMenuDepth = 16;
constexpr std::size_t kContextLength = 30;

class MenuParser {
 public:
  MenuParser(const std::string& text, const PhoneticDescription& desc, bool classMenu)
      : s_(text), desc_(desc), classMenu_(classMenu) {}

  bool parse(PhoneticMenu& out) {
    skipBlanks();
    if (!accept('[') || !parseItems(out.root.children, 0)) return false;
    out.title = title_;
    out.root.submenu = true;
    out.root.caption = text(5304);
    out.built = true;
    return true;
  }

  std::size_t position() const { return pos_; }
  std::string context() const { return pos_ < s_.size() ? s_.substr(pos_, kContextLength) : std::string(); }

 private:
  void skipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
  }

  bool accept(char c) {
    skipBlanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // item { "," item } "]" (the opening bracket already read).
  bool parseItems(std::vector<MenuNode>& items, int depth) {
    do {
      MenuNode node;
      if (!parseItem(node, depth)) return false;
      items.push_back(std::move(node));
    } while (accept(','));
    return accept(']');
  }

  bool parseItem(MenuNode& node, int depth) {
    skipBlanks();
    if (pos_ >= s_.size() || s_[pos_] != '"' ||
        readQuotedToken(s_, pos_, node.caption, kMaxTokenLength) != TokenStatus::Found) {
      traceLine(text(5316));
      return false;
    }
    if (title_.empty()) title_ = node.caption;
    if (accept('[')) {
      node.submenu = true;
      if (depth + 1 >= kMaxMenuDepth || !parseItems(node.children, depth + 1)) {
        traceLine(text(5319) + context());
        return false;
      }
      return true;
    }
    return makeLeaf(node);
  }

  bool makeLeaf(MenuNode& node) {
    if (classMenu_ && !node.caption.empty() && node.caption[0] == '[') {
      int k = desc_.classIndex(node.caption);
      if (k < 1) {
        traceLine(text(5318) + node.caption);
        return false;
      }
      const PhoneticClass& c = desc_.phoneticClass(k);
      std::string members;
      for (int m : c.members) {
        if (!members.empty()) members += ",";
        members += desc_.label(m);
      }
      node.command = kMenuCommandBase - k;
      node.displayed = node.caption + "    " + c.description + "  [" + members + "]";
      return true;
    }
    int p = desc_.phonemeIndex(node.caption);
    if (p < 0) {
      traceLine(text(5317) + node.caption);
      return false;
    }
    node.command = kMenuCommandBase + p;
    node.displayed = node.caption + "    " + desc_.phoneme(p).description;
    return true;
  }

  const std::string& s_;
  const PhoneticDescription& desc_;
  bool classMenu_;
  std::size_t pos_ = 0;
  std::string title_;
};

}  // namespace

bool parsePhoneticMenu(const std::string& text, const PhoneticDescription& desc, bool classMenu, PhoneticMenu& out,
                       std::size_t& errorOffset) {
  out = PhoneticMenu{};
  MenuParser parser(text, desc, classMenu);
  PhoneticMenu menu;
  if (!parser.parse(menu)) {
    errorOffset = parser.position();
    return false;
  }
  out = std::move(menu);
  return true;
}

int menuCommandIndex(int command) {
  int index = command - kMenuCommandBase;
  return (index >= -kMaxClasses && index <= kMaxPhonemes) ? index : 0;
}

}  // namespace ardv
