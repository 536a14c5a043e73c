// Small modal dialogs: an input box with a length limit.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

namespace ardv::qt {

// Asks for one line of text (at most maxLength characters). Nothing when
// the user cancels.
std::optional<std::string> askText(QWidget* parent, const std::string& title, const std::string& prompt,
                                   const std::string& initial, int maxLength);

}  // namespace ardv::qt
