#include "platform/progress.h"

namespace ardv {
namespace {
ProgressSink* installedSink = nullptr;
}  // namespace

void setProgressSink(ProgressSink* sink) { installedSink = sink; }

void showProgress(const std::string& status, double fraction) {
  if (installedSink) installedSink->progress(status, fraction);
}

}  // namespace ardv
