// Display options, read from and written to the settings.
#include "shell/panes/display_options.h"

#include <QSettings>
#include <algorithm>

#include "shell/panes/plane_view.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {

DisplayOptions& displayOptions() {
  static DisplayOptions options;
  return options;
}

void loadDisplayOptions() {
  QSettings settings;
  DisplayOptions& o = displayOptions();
  o.boundaryLines = settings.value("display/boundaryLines", true).toBool();
  o.selectionTint = settings.value("display/selectionTint", false).toBool();
  o.defaultFmaxHz = settings.value("display/defaultFmaxHz", 0.0).toDouble();
  o.relativeRangeDb = std::clamp(settings.value("display/relativeRangeDb", 0.0).toDouble(), 0.0, 200.0);
  o.longestSpectrogramS =
      std::clamp(settings.value("display/longestSpectrogramS", 10.0).toDouble(), 1.0, kLongestSpectrogramMaxS);
  o.overview = settings.value("display/overview", true).toBool();
  o.autoscaleWaveform = settings.value("display/autoscaleWaveform", false).toBool();
  o.f0SpeechRange = settings.value("display/f0SpeechRange", true).toBool();
  o.energySmoothing = std::clamp(settings.value("display/energySmoothing", 1).toInt(), 1, 51);
  spectroSettings().relativeRangeDb = o.relativeRangeDb;
  PlaneView::setBoundariesShown(o.boundaryLines);
  PlaneView::setSelectionTinted(o.selectionTint);
}

void saveDisplayOptions() {
  QSettings settings;
  const DisplayOptions& o = displayOptions();
  settings.setValue("display/boundaryLines", o.boundaryLines);
  settings.setValue("display/selectionTint", o.selectionTint);
  settings.setValue("display/defaultFmaxHz", o.defaultFmaxHz);
  settings.setValue("display/relativeRangeDb", o.relativeRangeDb);
  settings.setValue("display/longestSpectrogramS", o.longestSpectrogramS);
  settings.setValue("display/overview", o.overview);
  settings.setValue("display/autoscaleWaveform", o.autoscaleWaveform);
  settings.setValue("display/f0SpeechRange", o.f0SpeechRange);
  settings.setValue("display/energySmoothing", o.energySmoothing);
  spectroSettings().relativeRangeDb = o.relativeRangeDb;
  PlaneView::setBoundariesShown(o.boundaryLines);
  PlaneView::setSelectionTinted(o.selectionTint);
}

}  // namespace ardv::shell
