// The other tiers of a TextGrid read with the phonemes and words: one line
// each under the word pane, their names in the left margin, drawn read-only
// over the shown stretch (intervals with their texts, points as ticks).
#pragma once

#include <QWidget>
#include <vector>

#include "annotation/textgrid.h"

namespace ardv::shell {

class TierPane : public QWidget {
  Q_OBJECT
 public:
  explicit TierPane(QWidget* parent = nullptr);
  void setTiers(std::vector<ShownTier> tiers);
  const std::vector<ShownTier>& tiers() const { return tiers_; }
  int rows() const { return static_cast<int>(tiers_.size()); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<ShownTier> tiers_;
};

}  // namespace ardv::shell
