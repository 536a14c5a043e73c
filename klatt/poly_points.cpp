#include "klatt/poly_points.h"

#include <string>

#include "platform/report.h"
#include "texts/texts.h"

namespace ardv {
namespace {

void lacks(const char* operation) { message(std::string("virtual ") + operation); }

}  // namespace

std::int32_t PolyPoints::debut() const { return lacks("debut"), 0; }
std::int32_t PolyPoints::fin() const { return lacks("fin"), 0; }
bool PolyPoints::aff(int, const TrackScale&, const TrackView&, bool, TrackPicture&) const { return lacks("aff"), false; }
TrackHit PolyPoints::distanxe(double, double, int, double, double) const { return lacks("distanxe"), TrackHit{}; }
void PolyPoints::setDefault(std::span<const int>, std::span<const float>) { lacks("setDefault"); }
std::int32_t PolyPoints::date(int) const { return lacks("date"), 0; }
float PolyPoints::y(int, int) const { return lacks("y"), 0.0f; }
std::int32_t* PolyPoints::pdate(int) { return lacks("pdate"), nullptr; }
float* PolyPoints::py(int, int) { return lacks("py"), nullptr; }
bool PolyPoints::echantillonne(int) { return lacks("echantillonne"), false; }
void PolyPoints::removeFirstPoint() { lacks("removeFirstPoint"); }
void PolyPoints::removeLastPoint() { lacks("removeLastPoint"); }
void PolyPoints::translate(int, double, double, double, double) { lacks("translate"); }
void PolyPoints::subpp(int) { lacks("subpp"); }
void PolyPoints::push(std::int32_t, std::int32_t, std::span<const float>) { lacks("push"); }
int PolyPoints::indpp(std::int32_t) const { return lacks("indpp"), -1; }
bool PolyPoints::spline(int) { return lacks("spline"), false; }
std::unique_ptr<PolyPoints> PolyPoints::subPP(int, int) const { return lacks("subPP"), nullptr; }
bool PolyPoints::echantillonneSamples(int, double) { return lacks("echantillonneSamples"), false; }
void PolyPoints::recomputeSampleDates(double) { lacks("recomputeSampleDates"); }

void PolyPointsKla::setDefaultKla(int, int, const KlattRecord&) { lacks("setDefaultKla"); }
void PolyPointsKla::translateKla(int, double, int) { lacks("translateKla"); }
std::unique_ptr<PolyPointsKla> PolyPointsKla::subPPKla(int, int) const { return lacks("subPPKla"), nullptr; }

namespace detail {

template <class Base, class P, bool kRemoves>
bool TrackOf<Base, P, kRemoves>::aff(int j, const TrackScale& scale, const TrackView& view, bool lines,
                                     TrackPicture& out) const {
  if (affTrack(tab_, j, scale, view, lines, out)) return true;
  message(text(9200));
  return false;
}

template <class Base, class P, bool kRemoves>
void TrackOf<Base, P, kRemoves>::removeFirstPoint() {
  if constexpr (kRemoves) {
    if (tab_.points.size() > 1) tab_.points.erase(tab_.points.begin());
    sync(true);
  } else {
    PolyPoints::removeFirstPoint();
  }
}

template <class Base, class P, bool kRemoves>
void TrackOf<Base, P, kRemoves>::removeLastPoint() {
  if constexpr (kRemoves) {
    if (tab_.points.size() > 1) tab_.points.pop_back();
    sync(true);
  } else {
    PolyPoints::removeLastPoint();
  }
}

template <class Base, class P, bool kRemoves>
void TrackOf<Base, P, kRemoves>::push(std::int32_t date, std::int32_t sampleDate, std::span<const float> values) {
  P p{};
  p.date = date;
  p.sampleDate = sampleDate;
  for (int k = 0; k < P::kValues; ++k) p.values[k] = k < static_cast<int>(values.size()) ? values[k] : kUnsetValue;
  tab_.points.push_back(p);
  sync(true);
}

template class TrackOf<PolyPoints, Point2P, false>;
template class TrackOf<PolyPointsKla, Point2P, true>;
template class TrackOf<PolyPointsKla, Point3P, true>;
template class TrackOf<PolyPointsKla, Point4P, true>;
template class TrackOf<PolyPointsKla, Point5P, true>;

}  // namespace detail

template <class Tab, class P>
std::unique_ptr<PolyPoints> PolyPointsAD<Tab, P>::subPP(int i, int j) const {
  auto out = std::make_unique<PolyPointsAD>();
  if (!subRange(this->tab_, i, j, out->tab_)) return nullptr;
  out->sync(true);
  return out;
}

template <class Tab, class P>
void PolyPointsMD<Tab, P>::setDefaultKla(int p, int column, const KlattRecord& defaults) {
  if (column != 0 || p < 1 || p >= kKlattParams) return;
  const int g = klattParams()[p].group;
  const auto& group = klattGroups()[g];
  float values[4] = {kUnsetValue, kUnsetValue, kUnsetValue, kUnsetValue};
  if (g >= 1 && g <= 6) {
    const float bandwidth = static_cast<float>(50 + 10 * (g - 1) * (g - 1));
    values[1] = 60;
    values[2] = values[3] = bandwidth;
  } else if (g >= 7 && g <= 9) {
    values[1] = 60;
    values[2] = values[3] = 75;
  } else if (g == 0 || g == 10 || g == 11) {
    for (int c = 1; c < group.columns; ++c) values[c] = static_cast<float>(defaults[group.params[c]]);
  }
  const int columns[4] = {0, 1, 2, 3};
  // Column 0 is the key, never filled here.
  ardv::setDefault(this->tab_, std::span<const int>(columns + 1, group.columns - 1),
                   std::span<const float>(values + 1, group.columns - 1));
}

template <class Tab, class P>
void PolyPointsMD<Tab, P>::translateKla(int p, double delta, int scale) {
  if (p < 1 || p >= kKlattParams || scale < 0 || scale >= kKlattScales) return;
  const int column = klattScaleColumn(scale, klattParams()[p].group);
  if (column < 0) return;
  const auto& s = klattScales()[scale];
  ardv::translate(this->tab_, column, delta, s.minimum, s.maximum, s.step);
}

template <class Tab, class P>
std::unique_ptr<PolyPointsKla> PolyPointsMD<Tab, P>::subPPKla(int i, int j) const {
  auto out = std::make_unique<PolyPointsMD>();
  if (!subRange(this->tab_, i, j, out->tab_)) return nullptr;
  out->sync(true);
  return out;
}

template class PolyPointsAD<TabPoint<Point2P>, Point2P>;
template class PolyPointsMD<TabPoint<Point2P>, Point2P>;
template class PolyPointsMD<TabPoint<Point3P>, Point3P>;
template class PolyPointsMD<TabPoint<Point4P>, Point4P>;
template class PolyPointsMD<TabPoint<Point5P>, Point5P>;

std::unique_ptr<PolyPointsKla> newKlattPiece(int group) {
  if (group < 0 || group >= kKlattGroups) return nullptr;
  switch (klattGroups()[group].columns) {
    case 1: return std::make_unique<PolyPointsMD<TabPoint<Point2P>, Point2P>>();
    case 2: return std::make_unique<PolyPointsMD<TabPoint<Point3P>, Point3P>>();
    case 3: return std::make_unique<PolyPointsMD<TabPoint<Point4P>, Point4P>>();
    default: return std::make_unique<PolyPointsMD<TabPoint<Point5P>, Point5P>>();
  }
}

}  // namespace ardv
