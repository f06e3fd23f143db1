#include "net/TransferFailure.h"

std::string TTransferFailure::Text() const {
  std::string what;
  switch (FailedStep) {
    case Step::kNone:
      return std::string();
    case Step::kResolve:
      what = "cannot find the host " + Target;
      break;
    case Step::kConnect:
      what = "cannot connect to " + Target;
      break;
    case Step::kSend:
      what = "cannot send the request to " + Target;
      break;
    case Step::kHeaders:
      what = "no usable answer from " + Target;
      break;
    case Step::kTooLarge:
      what = "the file from " + Target + " is too large";
      break;
    case Step::kBody:
      what = "the transfer from " + Target + " broke off";
      break;
    case Step::kStore:
      what = "cannot store " + Target;
      break;
    case Step::kAborted:
      return "the transfer was stopped";
  }
  return Reason.empty() ? what : what + ": " + Reason;
}
