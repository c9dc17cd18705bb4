// The recorder's seams: what it puts in place of the driver's imports, and
// the originals it forwards to.
#pragma once

#include <vector>

#include "module/import_seams.h"
#include "recording/recorder/recorder.h"

// The client library's 26 functions. The originals are `through`'s, or with
// none what the slots held.
void AddClientSeams(std::vector<ImportSeam>& seams);
void TakeClientOriginals(const std::vector<ImportSeam>& seams, const NeighbourCalls* through);
// ErrorMsg, MessageBoxA and Sleep.
void AddHostSeams(std::vector<ImportSeam>& seams);
void TakeHostOriginals(const std::vector<ImportSeam>& seams, const NeighbourCalls* through);
