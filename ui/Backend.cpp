#include "ui/Backend.h"

#include "sys/MessageQueue.h"
#include "ui/HeadlessBackend.h"

namespace ui {

namespace {

// Initialised once, safely even when the first user is a worker thread showing a box.
std::unique_ptr<TBackend> &Installed() {
  static std::unique_ptr<TBackend> backend = std::make_unique<THeadlessBackend>();
  return backend;
}

}  // namespace

int TBackend::RunMessageLoop() { return sys::RunMessageLoop(); }

TBackend &Backend() { return *Installed(); }

std::unique_ptr<TBackend> InstallBackend(std::unique_ptr<TBackend> Backend) {
  std::swap(Installed(), Backend);
  return Backend;
}

}  // namespace ui
