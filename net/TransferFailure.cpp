#include "net/TransferFailure.h"

std::string TTransferFailure::Text() const {
  const std::string peer = std::string(ThroughProxy ? "the proxy " : "") + Target;
  std::string what;
  switch (FailedStep) {
    case Step::kNone:
      return std::string();
    case Step::kResolve:
      what = std::string("cannot find ") + (ThroughProxy ? "the proxy " : "the host ") + Target;
      break;
    case Step::kConnect:
      what = "cannot connect to " + peer;
      break;
    case Step::kSend:
      what = "cannot send the request to " + peer;
      break;
    case Step::kHeaders:
      what = "no usable answer from " + peer;
      break;
    case Step::kProxyAuthentication:
      what = "the proxy requires authentication (" + Target + ")";
      break;
    case Step::kTooLarge:
      what = "the file from " + peer + " is too large";
      break;
    case Step::kBody:
      what = "the transfer from " + peer + " broke off";
      break;
    case Step::kStore:
      what = "cannot store " + Target;
      break;
    case Step::kAborted:
      return "the transfer was stopped";
  }
  return Reason.empty() ? what : what + ": " + Reason;
}
