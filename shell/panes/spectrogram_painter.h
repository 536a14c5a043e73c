// The spectrogram of the shown stretch painted into the plane's bitmap: the
// columns of the current kind computed for the visible pixel columns, their
// levels turned into the grey ramp or the colour map; and the colour legend.
#pragma once

#include <QImage>

#include "shell/logic/geometry.h"

namespace ardv::shell {

// Paints the spectrogram of kind `en_cours.mode` over the columns of `axis`
// into `image` (one pixel column per axis column). Pixels the computation
// leaves alone keep their colour. Columns computed for earlier views are
// reused. Returns false after the computation's report.
bool paintSpectrogram(QImage& image, const TimeAxis& axis);
// The same with every column computed anew (the same pixels).
bool paintSpectrogramAfresh(QImage& image, const TimeAxis& axis);

// The colour legend: 256 level rectangles across the middle of the image,
// labelled with their dB values where the labels do not overlap.
void paintColourLegend(QImage& image);

// The 256 level colours now in use (grey ramp with its gamma, or colour map).
QRgb levelRgb(int level);

}  // namespace ardv::shell
