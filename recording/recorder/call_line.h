// The lines the recorder's wrappers hand over while an entry point runs: a
// client-library call built from its row (client_functions.h), or a host
// line. A call the same as the previous pass's at its place is counted
// instead (pass_codec.h).
#pragma once

#include <initializer_list>
#include <string>

#include "recording/format/client_functions.h"

// A call of `function` with what it was given, in order, and what it
// answered.
void RecordCall(ClientFunction function, std::initializer_list<CallArg> args, CallArg answer);

// A host line, its line end included.
void HostLine(const std::string& line);
