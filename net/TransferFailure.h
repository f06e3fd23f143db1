#pragma once
// Why a transfer failed: the step of the exchange that failed and the reason, the
// system's own where there is one, so that a full disk never reads as a network failure.

#include <string>

struct TTransferFailure {
  enum class Step {
    kNone, kResolve, kConnect, kSend, kHeaders, kProxyAuthentication, kTooLarge, kBody, kStore, kAborted
  };
  Step FailedStep = Step::kNone;
  std::string Target;  // what the step worked on: the host or proxy ("host:port"), or the local file
  bool ThroughProxy = false;  // Target is the proxy that the request went through
  std::string Reason;

  bool Failed() const { return FailedStep != Step::kNone; }
  // "cannot connect to example.com:80: Connection refused"; empty when nothing failed.
  std::string Text() const;
};
