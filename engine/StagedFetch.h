#pragma once
// One file of the updater's own (the manifest, the signature file) fetched into the
// staging folder and waited for.
#include <cstdint>
#include <string>

#include "net/HttpFileDown.h"
#include "sys/Event.h"

// Fetches Url into Local with Down, whose completion raises Done, storing at most MaxSize
// bytes, by Deadline; the wait dispatches the calling thread's messages when asked to, so
// that a window stays live. True when the file arrived whole; what did not does not stay,
// and Failure then says why.
bool FetchToStaging(THttpFileDown &Down, sys::Event &Done, const std::string &Url, const std::string &Local,
                    std::int64_t MaxSize, THttpFileDown::TDeadline Deadline, bool DispatchMessages,
                    TTransferFailure &Failure);
