#pragma once
// A host probe for networks where echo requests do not pass: whether the host takes a TCP
// connection on a port within the time-out. Nothing is sent on it.
#include <string>

// 1 when Host took the connection on Port within TimeoutMs; 0 when it refused it or did
// not answer in time; -1 when the name does not resolve. Reason says why it was not 1.
int ProbeByConnecting(const std::string &Host, int Port, int TimeoutMs, std::string &Reason);
