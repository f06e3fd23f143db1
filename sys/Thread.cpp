#include "sys/Thread.h"

namespace sys {

// Each platform's Impl holds its thread handle; Close releases it by the platform's rule.
Thread::Thread() = default;
Thread::~Thread() { Close(); }
Thread::Thread(Thread &&other) noexcept = default;
Thread &Thread::operator=(Thread &&other) noexcept {
  if (this != &other) {
    Close();
    impl_ = std::move(other.impl_);
  }
  return *this;
}

}  // namespace sys
