// Drawing a figure with Qt's painter: layout in device pixels at the request's
// resolution (panes stacked over one time axis, each with its own labelled
// vertical axis), then the same painting onto an image (PNG), an SVG
// generator or a PDF writer. Needs a QGuiApplication (fonts).
#pragma once

#include <QByteArray>
#include <QFont>
#include <QRectF>
#include <QString>
#include <string>
#include <vector>

#include "figure/figure_data.h"
#include "figure/figure_request.h"

class QPainter;

namespace ardv::figure {

enum class Format { Png, Svg, Pdf };

// The format named by the output's extension (.png, .svg, .pdf, any case);
// false for any other name.
bool formatOf(const std::string& path, Format& format);

// False with `error` when the request's font (or its phonetic font) is not
// installed; the message lists a few installed families.
bool checkFonts(const FigureRequest& request, std::string& error);

struct PaneBox {
  Pane pane;
  QRectF rect;
};

struct FigureLayout {
  int widthPx = 0, heightPx = 0;
  double em = 0.0;    // font size in pixels
  double line = 0.0;  // pen width of frames and ticks, pixels
  QFont font, titleFont, phonemeFont;
  QRectF plot;  // the panes' common horizontal extent, top to bottom
  std::vector<PaneBox> panes;
};

// Where everything goes for `request`; independent of the data.
FigureLayout layoutFigure(const FigureRequest& request);

// What to compute for a layout: one waveform column and one spectrogram
// frame per pixel column of the plot, one row per pixel row of the pane.
DataColumns dataColumns(const FigureLayout& layout);

// One tick label as drawn: which axis (0 time, then 1 + index of the pane),
// its text and its box in pixels.
struct AxisLabel {
  int axis = 0;
  QString text;
  QRectF box;
};

// Paints the figure on `painter` (device of layout.widthPx x heightPx
// pixels). Returns the tick labels drawn.
std::vector<AxisLabel> paintFigure(QPainter& painter, const FigureRequest& request, const FigureLayout& layout,
                                   const FigureData& data);

// The figure as the bytes of a file of `format`. False with `error` when
// the painter cannot start or the image cannot be encoded.
bool renderFigure(const FigureRequest& request, const FigureLayout& layout, const FigureData& data, Format format,
                  QByteArray& bytes, std::string& error);

// Renders and writes `path` through the one safe writer. False after a
// message naming the file and the reason (a previous file stays as it was).
bool writeFigure(const std::string& path, const FigureRequest& request, const FigureLayout& layout,
                 const FigureData& data);

// Ticks of an axis from lo to hi: the smallest step of 1, 2 or 5 x 10^k
// whose labels, with `decimals` fitting the step, keep `minGap` between
// neighbours given each label's extent along the axis from `extent`.
struct TickSet {
  double step = 0.0;
  int decimals = 0;
  std::vector<double> values;
};
template <typename Extent>
TickSet chooseTicks(double lo, double hi, double lengthPx, double minGap, Extent extent);

}  // namespace ardv::figure

#include "figure/figure_ticks.inl"
