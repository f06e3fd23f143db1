#include "sys/MessageQueue.h"

namespace sys {

void WaitDispatchingMessages(Event &event, int sliceMs, const std::function<bool()> &done) {
  bool quitTaken = false;
  int quitCode = 0;
  for (;;) {
    if (done && done()) break;
    const WaitResult result = WaitForEventOrMessage(event, sliceMs);
    if (result == WaitResult::Signalled && !done) break;
    if (result != WaitResult::MessageArrived) continue;
    int code = 0;
    if (DispatchOneMessage(&code) == DispatchResult::Quit) {
      quitTaken = true;
      quitCode = code;
    }
  }
  if (quitTaken) PostQuit(quitCode);
}

}  // namespace sys
