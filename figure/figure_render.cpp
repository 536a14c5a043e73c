// Layout and painting of a figure.
#include "figure/figure_render.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace ardv::figure {
namespace {

// Pane heights relative to each other; tiers have a fixed height.
double paneWeight(Pane pane) {
  switch (pane) {
    case Pane::Waveform: return 1.0;
    case Pane::Spectrogram: return 2.4;
    case Pane::F0: return 1.1;
    case Pane::Energy: return 0.9;
    default: return 0.0;
  }
}

bool isTier(Pane pane) { return pane == Pane::Phonemes || pane == Pane::Words; }

QFont makeFont(const std::string& family, double pixels, bool bold = false) {
  QFont font(QString::fromStdString(family));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setBold(bold);
  return font;
}

bool installed(const std::string& family) {
  return QFontDatabase::families().contains(QString::fromStdString(family), Qt::CaseInsensitive);
}

double width(const QFontMetricsF& m, const QString& text) { return m.horizontalAdvance(text); }

// The side title of a pane, long and short.
std::pair<QString, QString> axisTitles(Pane pane, const FigureData& data) {
  const bool kHz = data.spectroTopHz >= 2000.0;
  switch (pane) {
    case Pane::Waveform: return {"Amplitude", "Amp."};
    case Pane::Spectrogram: return {kHz ? "Frequency (kHz)" : "Frequency (Hz)", kHz ? "kHz" : "Hz"};
    case Pane::F0: return {"F0 (Hz)", "Hz"};
    case Pane::Energy: return {"Energy (dB)", "dB"};
    case Pane::Phonemes: return {"Phonemes", "Phon."};
    case Pane::Words: return {"Words", "Words"};
  }
  return {};
}

// Round bounds around a curve's values, or `lo`..`hi` without values.
std::pair<double, double> curveRange(const std::vector<CurvePoint>& points, double lo, double hi) {
  if (points.empty()) return {lo, hi};
  double a = points.front().value, b = a;
  for (const CurvePoint& p : points) {
    a = std::min(a, p.value);
    b = std::max(b, p.value);
  }
  const double pad = std::max(5.0, (b - a) * 0.1);
  a -= pad;
  b += pad;
  const double unit = b - a > 200.0 ? 50.0 : 10.0;
  return {std::floor(a / unit) * unit, std::ceil(b / unit) * unit};
}

struct Painter {
  QPainter& p;
  const FigureRequest& request;
  const FigureLayout& layout;
  const FigureData& data;
  QFontMetricsF metrics;
  std::vector<AxisLabel> labels;

  double xOf(double ms) const {
    const QRectF& r = layout.plot;
    return r.left() + (ms - data.fromMs) / (data.toMs - data.fromMs) * r.width();
  }

  QPen pen(double w, QColor c = Qt::black, Qt::PenStyle style = Qt::SolidLine) const {
    QPen pn(c, w, style, Qt::FlatCap, Qt::MiterJoin);
    return pn;
  }

  // A vertical axis on the left of `rect` from lo to hi; labels stay inside
  // the pane's height.
  void verticalAxis(int axis, const QRectF& rect, double lo, double hi, double scale) {
    const double h = metrics.height();
    if (rect.height() < h) return;  // no room for one label
    const TickSet ticks =
        chooseTicks(lo * scale, hi * scale, rect.height(), 0.5 * layout.em, [&](const std::string&) { return h; });
    p.setFont(layout.font);
    for (double v : ticks.values) {
      const double y = rect.bottom() - (v / scale - lo) / (hi - lo) * rect.height();
      p.setPen(pen(layout.line));
      p.drawLine(QPointF(rect.left() - 0.4 * layout.em, y), QPointF(rect.left(), y));
      const QString text = QString::fromStdString(tickText(v, ticks.decimals));
      const double w = width(metrics, text);
      QRectF box(rect.left() - 0.6 * layout.em - w, y - h / 2.0, w, h);
      if (box.top() < rect.top()) box.moveTop(rect.top());
      if (box.bottom() > rect.bottom()) box.moveBottom(rect.bottom());
      // A label pushed inside the pane may meet its neighbour: the first drawn stays.
      if (!labels.empty() && labels.back().axis == axis && labels.back().box.intersects(box)) continue;
      p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
      labels.push_back({axis, text, box});
    }
  }

  // Stood on its side left of the tick labels, long or short as it fits;
  // a tier's (no tick labels) written across its margin.
  void sideTitle(const QRectF& rect, Pane pane) {
    const auto [full, brief] = axisTitles(pane, data);
    p.save();
    p.setFont(layout.font);
    p.setPen(Qt::black);
    const double x = layout.em * 0.4;
    if (isTier(pane)) {
      const double room = rect.left() - x - 0.3 * layout.em;
      const QString text = width(metrics, full) <= room ? full : metrics.elidedText(brief, Qt::ElideRight, room);
      p.drawText(QRectF(x, rect.top(), room, rect.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
      for (const QString& text : {full, brief}) {
        if (rect.height() < width(metrics, text) + 0.4 * layout.em) continue;
        p.translate(x + metrics.ascent(), rect.center().y());
        p.rotate(-90.0);
        p.drawText(QPointF(-width(metrics, text) / 2.0, 0.0), text);
        break;
      }
    }
    p.restore();
  }

  void waveform(int axis, const QRectF& r) {
    const int n = static_cast<int>(data.waveMax.size());
    int peak = 1;
    for (int i = 0; i < n; ++i) peak = std::max({peak, std::abs(int{data.waveMin[i]}), std::abs(int{data.waveMax[i]})});
    // The axis is relative to full scale, widened to a round value over the peak.
    double top = static_cast<double>(peak) / 32768.0;
    const double unit = std::pow(10.0, std::floor(std::log10(top)));
    top = std::ceil(top / unit * 1.0001) * unit;
    const double mid = r.center().y();
    const double k = r.height() / 2.0 / (top * 32768.0);
    p.setPen(pen(layout.line * 0.6, QColor(150, 150, 150)));
    p.drawLine(QPointF(r.left(), mid), QPointF(r.right(), mid));
    if (n > 0) {
      QPainterPath path;
      const double dx = r.width() / n;
      // One outline: the upper edge forwards, the lower edge backwards; a
      // column's stroke is at least a line wide.
      const double minHalf = layout.line * 0.5;
      for (int i = 0; i < n; ++i) {
        const double y = std::min(mid - data.waveMax[i] * k, mid - minHalf);
        const double x0 = r.left() + i * dx;
        if (i == 0) path.moveTo(x0, y);
        else path.lineTo(x0, y);
        path.lineTo(x0 + dx, y);
      }
      for (int i = n - 1; i >= 0; --i) {
        const double y = std::max(mid - data.waveMin[i] * k, mid + minHalf);
        const double x0 = r.left() + i * dx;
        path.lineTo(x0 + dx, y);
        path.lineTo(x0, y);
      }
      path.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(request.colour ? QColor(20, 40, 110) : QColor(0, 0, 0));
      p.drawPath(path);
      p.setBrush(Qt::NoBrush);
    }
    verticalAxis(axis, r, -top, top, 1.0);
  }

  void spectrogram(int axis, const QRectF& r) {
    const LevelImage& s = data.spectrogram;
    if (s.frames > 0 && s.height > 0) {
      QImage image(s.frames, s.height, QImage::Format_RGB32);
      for (int j = 0; j < s.height; ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(s.height - 1 - j));
        for (int i = 0; i < s.frames; ++i) {
          const Rgb& c = data.colours[s.row(i)[j]];
          line[i] = qRgb(c.r, c.g, c.b);
        }
      }
      p.drawImage(r, image);
    }
    const bool kHz = data.spectroTopHz >= 2000.0;
    verticalAxis(axis, r, 0.0, data.spectroTopHz, kHz ? 0.001 : 1.0);
  }

  void curve(int axis, const QRectF& r, const std::vector<CurvePoint>& points, double lo, double hi, double gapMs,
             QColor colour) {
    p.save();
    p.setClipRect(r);
    QPen curvePen = pen(layout.line * 2.0, request.colour ? colour : QColor(0, 0, 0));
    curvePen.setCapStyle(Qt::RoundCap);
    curvePen.setJoinStyle(Qt::RoundJoin);
    p.setPen(curvePen);
    QPolygonF run;
    auto flush = [&] {
      if (run.size() == 1) {
        p.drawPoint(run.front());
      } else if (run.size() > r.width()) {
        // A dense zigzag stroked as one path costs the rasteriser its
        // overlaps; as separate segments it costs their length.
        std::vector<QLineF> lines;
        lines.reserve(static_cast<std::size_t>(run.size()));
        for (qsizetype i = 1; i < run.size(); ++i) lines.emplace_back(run[i - 1], run[i]);
        p.drawLines(lines.data(), static_cast<int>(lines.size()));
      } else if (run.size() > 1) {
        p.drawPolyline(run);
      }
      run.clear();
    };
    // Points falling in one pixel column become its lowest and highest (in
    // their order): a long curve costs the stroker what its width does.
    int column = 0;
    std::size_t low = 0, high = 0;
    bool open = false;
    auto keepColumn = [&] {
      if (!open) return;
      for (std::size_t k : {std::min(low, high), std::max(low, high)}) {
        const QPointF at(xOf(points[k].ms), r.bottom() - (points[k].value - lo) / (hi - lo) * r.height());
        if (run.isEmpty() || run.back() != at) run << at;
      }
      open = false;
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (i > 0 && points[i].ms - points[i - 1].ms > gapMs) {
        keepColumn();
        flush();
      }
      const int c = static_cast<int>(std::floor(xOf(points[i].ms)));
      if (!open || c != column) {
        keepColumn();
        column = c;
        low = high = i;
        open = true;
      }
      if (points[i].value < points[low].value) low = i;
      if (points[i].value > points[high].value) high = i;
    }
    keepColumn();
    flush();
    p.restore();
    verticalAxis(axis, r, lo, hi, 1.0);
  }

  // Boxes with centred labels. A label wider than its segment may spread
  // over its neighbours' room where no label of theirs is (Praat draws them
  // over each other); failing that it is elided, and else left out.
  void tier(const QRectF& r, const std::vector<Segment>& segments, const QFont& font) {
    p.setFont(font);
    const QFontMetricsF m(font, p.device());
    const double pad = 0.1 * layout.em;
    struct Label {
      double a, b, w;
      QString text;
      bool fits;
    };
    std::vector<Label> all;
    for (const Segment& s : segments) {
      const double a = std::max(r.left(), xOf(s.fromMs)), b = std::min(r.right(), xOf(s.toMs));
      p.setPen(pen(layout.line));
      if (s.fromMs >= data.fromMs) p.drawLine(QPointF(a, r.top()), QPointF(a, r.bottom()));
      if (s.toMs <= data.toMs) p.drawLine(QPointF(b, r.top()), QPointF(b, r.bottom()));
      const QString text = QString::fromStdString(s.label);
      const double w = m.horizontalAdvance(text);
      all.push_back({a, b, w, text, w <= b - a - 2 * pad});
    }
    double lastRight = r.left();
    for (std::size_t i = 0; i < all.size(); ++i) {
      const Label& l = all[i];
      if (l.text.isEmpty()) continue;
      const double c = (l.a + l.b) / 2.0;
      QRectF box(c - l.w / 2.0, r.top(), l.w, r.height());
      bool ok = box.left() >= lastRight + pad && box.right() <= r.right() - pad;
      for (std::size_t j = i + 1; ok && !l.fits && j < all.size(); ++j) {
        if (all[j].text.isEmpty()) continue;
        ok = box.right() + pad <= (all[j].a + all[j].b - all[j].w) / 2.0 || all[j].a >= box.right() + pad;
        break;
      }
      QString text = l.text;
      if (!ok) {
        const double room = l.b - l.a - 2 * pad;
        text = m.elidedText(l.text, Qt::ElideRight, room);
        if (text.isEmpty() || text == QString(QChar(0x2026)) || m.horizontalAdvance(text) > room ||
            l.a < lastRight)
          continue;
        box = QRectF(l.a, r.top(), l.b - l.a, r.height());
      }
      p.drawText(box, Qt::AlignCenter, text);
      lastRight = ok ? box.right() : l.b;
    }
    p.setFont(layout.font);
  }

  void boundaries(const QRectF& r) {
    const std::vector<Segment>& list = request.has(Pane::Phonemes) || data.words.empty() ? data.phonemes : data.words;
    p.setPen(pen(layout.line, request.colour ? QColor(0, 110, 200) : QColor(90, 90, 90), Qt::DashLine));
    for (std::size_t i = 0; i < list.size(); ++i) {
      const double ms = list[i].fromMs;
      if (ms > data.fromMs && ms < data.toMs) p.drawLine(QPointF(xOf(ms), r.top()), QPointF(xOf(ms), r.bottom()));
      if (i + 1 == list.size() && list[i].toMs < data.toMs)
        p.drawLine(QPointF(xOf(list[i].toMs), r.top()), QPointF(xOf(list[i].toMs), r.bottom()));
    }
  }

  void timeAxis() {
    const double spanMs = data.toMs - data.fromMs;
    const bool seconds = spanMs >= 1000.0;
    const double scale = seconds ? 0.001 : 1.0;
    const QRectF& r = layout.plot;
    const TickSet ticks = chooseTicks(data.fromMs * scale, data.toMs * scale, r.width(), 0.8 * layout.em,
                                      [&](const std::string& t) { return width(metrics, QString::fromStdString(t)); });
    p.setFont(layout.font);
    for (double v : ticks.values) {
      const double x = xOf(v / scale);
      p.setPen(pen(layout.line));
      p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 0.4 * layout.em));
      const QString text = QString::fromStdString(tickText(v, ticks.decimals));
      const double w = width(metrics, text);
      const QRectF box(x - w / 2.0, r.bottom() + 0.5 * layout.em, w, metrics.height());
      p.drawText(box, Qt::AlignCenter, text);
      labels.push_back({0, text, box});
    }
    const QString title = seconds ? "Time (s)" : "Time (ms)";
    p.drawText(QRectF(r.left(), r.bottom() + 0.5 * layout.em + metrics.height(), r.width(), metrics.height() * 1.2),
               Qt::AlignHCenter | Qt::AlignVCenter, title);
  }

  void paint() {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(0, 0, layout.widthPx, layout.heightPx), Qt::white);
    if (!request.title.empty()) {
      p.setFont(layout.titleFont);
      p.setPen(Qt::black);
      p.drawText(QRectF(layout.plot.left(), 0.3 * layout.em, layout.plot.width(), 1.5 * layout.em),
                 Qt::AlignCenter, QString::fromStdString(request.title));
    }
    p.setFont(layout.font);
    int axis = 1;
    for (const PaneBox& box : layout.panes) {
      const QRectF& r = box.rect;
      switch (box.pane) {
        case Pane::Waveform: waveform(axis, r); break;
        case Pane::Spectrogram: spectrogram(axis, r); break;
        case Pane::F0: {
          // Unvoiced frames (0 Hz) are gaps, outside the axis's range.
          std::vector<CurvePoint> voiced;
          std::copy_if(data.f0.begin(), data.f0.end(), std::back_inserter(voiced),
                       [](const CurvePoint& c) { return c.value > 0.0; });
          const auto [lo, hi] = curveRange(voiced, 50.0, 400.0);
          curve(axis, r, voiced, lo, hi, data.f0StepMs * 1.5, QColor(0, 70, 220));
          break;
        }
        case Pane::Energy: {
          const auto [lo, hi] = curveRange(data.energy, data.energyFloorDb, 100.0);
          const double gap = data.energy.size() > 1 ? (data.energy[1].ms - data.energy[0].ms) * 1.5 : 1e9;
          curve(axis, r, data.energy, lo, hi, gap, QColor(0, 130, 60));
          break;
        }
        case Pane::Phonemes: tier(r, data.phonemes, layout.phonemeFont); break;
        case Pane::Words: tier(r, data.words, layout.font); break;
      }
      if (request.boundaries && (box.pane == Pane::Waveform || box.pane == Pane::Spectrogram)) boundaries(r);
      p.setPen(pen(layout.line));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r);
      sideTitle(r, box.pane);
      ++axis;
    }
    timeAxis();
  }
};

}  // namespace

bool checkFonts(const FigureRequest& request, std::string& error) {
  for (const std::string* family : {&request.font, &request.phoneticFont}) {
    if (family->empty() || installed(*family)) continue;
    const QStringList all = QFontDatabase::families();
    QStringList some = all.mid(0, 6);
    error = "the font \"" + *family + "\" is not installed (installed: " + some.join(", ").toStdString() +
            (all.size() > some.size() ? ", ..." : "") + "; fc-list lists them all)";
    return false;
  }
  return true;
}

FigureLayout layoutFigure(const FigureRequest& request) {
  FigureLayout l;
  l.widthPx = request.widthPx();
  l.heightPx = request.heightPx();
  l.em = request.fontPt * request.dpi / 72.0;
  l.line = std::max(0.5, 0.5 * request.dpi / 72.0);  // half a point
  l.font = makeFont(request.font, l.em);
  l.titleFont = makeFont(request.font, l.em * 1.2, true);
  l.phonemeFont = makeFont(request.phoneticFont.empty() ? request.font : request.phoneticFont, l.em);
  const QFontMetricsF m(l.font);
  const double labelWidth = std::max(width(m, "-0.05"), width(m, "0000"));
  const double left = 0.4 * l.em + m.height() + 0.4 * l.em + labelWidth + 0.6 * l.em;
  const double right = std::max(0.8 * l.em, width(m, "000.00") / 2.0 + 0.3 * l.em);
  const double top = request.title.empty() ? 0.6 * l.em : 2.0 * l.em;
  const double bottom = 0.5 * l.em + m.height() * 2.2 + 0.4 * l.em;
  const double tierHeight = m.height() * 1.6;
  const double gap = 0.4 * l.em;
  double fixed = 0.0, weights = 0.0;
  for (Pane pane : request.panes) {
    fixed += isTier(pane) ? tierHeight : 0.0;
    weights += paneWeight(pane);
  }
  fixed += gap * static_cast<double>(request.panes.size() - 1);
  const double plotHeight = std::max(1.0, l.heightPx - top - bottom);
  const double free = std::max(0.0, plotHeight - fixed);
  l.plot = QRectF(left, top, std::max(1.0, l.widthPx - left - right), plotHeight);
  double y = top;
  for (Pane pane : request.panes) {
    double h = isTier(pane) ? tierHeight : free * paneWeight(pane) / weights;
    if (weights == 0.0 && isTier(pane)) h = tierHeight;
    l.panes.push_back({pane, QRectF(left, y, l.plot.width(), std::max(1.0, h))});
    y += h + gap;
  }
  return l;
}

DataColumns dataColumns(const FigureLayout& layout) {
  DataColumns c;
  c.waveform = std::max(1, static_cast<int>(std::lround(layout.plot.width())));
  c.spectroFrames = std::min(c.waveform, 8192);
  c.spectroRows = 1;
  for (const PaneBox& b : layout.panes)
    if (b.pane == Pane::Spectrogram) c.spectroRows = std::clamp(static_cast<int>(std::lround(b.rect.height())), 1, 4096);
  return c;
}

std::vector<AxisLabel> paintFigure(QPainter& painter, const FigureRequest& request, const FigureLayout& layout,
                                   const FigureData& data) {
  Painter p{painter, request, layout, data, QFontMetricsF(layout.font, painter.device()), {}};
  p.paint();
  return std::move(p.labels);
}


}  // namespace ardv::figure
