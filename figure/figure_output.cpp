// A figure's three file formats: PNG, SVG and PDF, written through the
// one writer of outputs.
#include "figure/figure_render.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/report.h"
#include "signal/replacing_file.h"

namespace ardv::figure {

bool formatOf(const std::string& path, Format& format) {
  const auto dot = path.find_last_of("./");
  if (dot == std::string::npos || path[dot] != '.') return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == "png") format = Format::Png;
  else if (ext == "svg") format = Format::Svg;
  else if (ext == "pdf") format = Format::Pdf;
  else return false;
  return true;
}


bool renderFigure(const FigureRequest& request, const FigureLayout& layout, const FigureData& data, Format format,
                  QByteArray& bytes, std::string& error) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (format == Format::Png) {
    QImage image(layout.widthPx, layout.heightPx, QImage::Format_RGB32);
    if (image.isNull()) {
      error = "not enough memory for an image of " + std::to_string(layout.widthPx) + " x " +
              std::to_string(layout.heightPx) + " pixels";
      return false;
    }
    const int dpm = static_cast<int>(std::lround(request.dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    {
      QPainter painter(&image);
      paintFigure(painter, request, layout, data);
    }
    if (!image.save(&buffer, "PNG")) {
      error = "the PNG encoder failed";
      return false;
    }
    return true;
  }
  if (format == Format::Svg) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(layout.widthPx, layout.heightPx));
    svg.setViewBox(QRect(0, 0, layout.widthPx, layout.heightPx));
    svg.setResolution(request.dpi);
    svg.setTitle(QString::fromStdString(request.title));
    svg.setDescription("Ardelovox figure");
    QPainter painter;
    if (!painter.begin(&svg)) {
      error = "the SVG generator could not start";
      return false;
    }
    paintFigure(painter, request, layout, data);
    painter.end();
    return true;
  }
  QPdfWriter pdf(&buffer);
  pdf.setCreator("Ardelovox");
  pdf.setTitle(QString::fromStdString(request.title));
  pdf.setResolution(request.dpi);
  pdf.setPageSize(QPageSize(QSizeF(request.widthMm, request.heightMm), QPageSize::Millimeter, QString(),
                            QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&pdf)) {
    error = "the PDF writer could not start";
    return false;
  }
  // The page may differ from the layout by a rounding pixel.
  painter.scale(pdf.width() / static_cast<double>(layout.widthPx), pdf.height() / static_cast<double>(layout.heightPx));
  paintFigure(painter, request, layout, data);
  painter.end();
  return true;
}

bool writeFigure(const std::string& path, const FigureRequest& request, const FigureLayout& layout,
                 const FigureData& data) {
  Format format;
  if (!formatOf(path, format)) {
    message("Cannot write the figure " + path + ": the name must end in .png, .svg or .pdf");
    return false;
  }
  QByteArray bytes;
  std::string error;
  if (!renderFigure(request, layout, data, format, bytes, error)) {
    message("Cannot write the figure " + path + ": " + error);
    return false;
  }
  ReplacingFile file(path);
  if (!file.open() || !file.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !file.commit()) {
    message("Cannot write the figure " + path + ": " + file.error());
    return false;
  }
  return true;
}

}  // namespace ardv::figure
