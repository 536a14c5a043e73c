// The formant analysis options dialog ("O&ptions" of the Formants menu): the
// frame step, the order factor and the two lifter bounds, with the summary of
// what they give at the current sampling frequency.
#pragma once

#include <QWidget>

namespace ardv::shell {

// Shows the dialog; OK stores the values (lifter bounds kept ordered) unless
// they are unusable, which is said and changes nothing.
void editFormantOptions(QWidget* parent);

}  // namespace ardv::shell
