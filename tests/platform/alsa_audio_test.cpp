// The ALSA devices on ALSA's "null" device, which every machine has: a block
// is played and a capture buffer filled by the worker threads, and stop()
// ends either at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/alsa/alsa_audio.h"
#include "platform/audio_device.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/cli.h"

namespace ardv {
namespace {

template <typename Device>
bool waitDone(Device& device, int limitMs) {
  for (int waited = 0; !device.done() && waited < limitMs; waited += 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return device.done();
}

class AlsaAudio : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(installAlsaDevices()); }
  void TearDown() override { uninstallAlsaDevices(); }
  test::ScopedEnv device_{"ARDV_AUDIO_DEVICE", "null"};
  ScopedRecorder recorder_;
};

TEST_F(AlsaAudio, PlaysABlockAndStopsAtOnce) {
  AudioOutput& out = audioOutput();
  ASSERT_TRUE(out.available());
  EXPECT_TRUE(recorder_->tracedFragment("waveOutGetDevCaps(id=0,,)=0x0"));
  ASSERT_EQ(out.open({11025, 16, 1}), 0);
  const std::vector<std::uint8_t> block(2 * 2205, 0);  // 0.2 s
  ASSERT_EQ(out.write(block), 0);
  ASSERT_TRUE(waitDone(out, 5000));
  EXPECT_EQ(out.playedFrames(), 2205);

  const std::vector<std::uint8_t> long_(2 * 11025 * 30, 0);  // 30 s
  ASSERT_EQ(out.write(long_), 0);
  EXPECT_EQ(out.stop(), 0);
  EXPECT_TRUE(out.done());
  EXPECT_LE(out.playedFrames(), 11025 * 30);
  out.close();
  EXPECT_NE(out.write(block), 0);  // closed
}

TEST_F(AlsaAudio, CapturesTheWholeBuffer) {
  AudioInput& in = audioInput();
  ASSERT_TRUE(in.available());
  ASSERT_EQ(in.open({22050, 16, 1}), 0);
  ASSERT_EQ(in.addBuffer(4410), 0);
  ASSERT_EQ(in.start(), 0);
  ASSERT_TRUE(waitDone(in, 5000));
  EXPECT_EQ(in.stop(), 0);
  EXPECT_EQ(in.take().size(), 4410u);
  EXPECT_TRUE(in.take().empty());
  in.close();
}

}  // namespace
}  // namespace ardv
