// The narrow-band spectrogram of samples that are not the current signal
// (the formant window's synthesis), painted into an image.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace ardv::shell {

// Paints samples first..first+count-1 of `samples` (at rateHz) across
// `image`, 0 Hz at the bottom. False (image unchanged) when nothing can be
// computed.
bool paintNarrowBand(QImage& image, const std::vector<std::int16_t>& samples, int rateHz, std::int64_t first,
                     std::int64_t count);

}  // namespace ardv::shell
