#include "ui/Backend.h"

#include <cstdio>
#include <cstdlib>

#include "sys/MessageQueue.h"

namespace ui {

namespace {

// Initialised once, safely even when the first user is a worker thread showing a box.
std::unique_ptr<TBackend> &Installed() {
  static std::unique_ptr<TBackend> backend;
  return backend;
}

}  // namespace

int TBackend::RunMessageLoop() { return sys::RunMessageLoop(); }

TBackend &Backend() {
  if (!Installed()) {
    // A program that builds a window before installing its backend is broken; carrying
    // on without one would leave its windows unseen and its questions unanswered.
    std::fputs("ui: no window backend is installed\n", stderr);
    std::abort();
  }
  return *Installed();
}

std::unique_ptr<TBackend> InstallBackend(std::unique_ptr<TBackend> Backend) {
  std::swap(Installed(), Backend);
  return Backend;
}

}  // namespace ui
