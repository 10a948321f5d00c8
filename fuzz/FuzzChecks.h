#pragma once
// What every fuzz target asks of a reading, whatever bytes it came from.

#include "metadata/TagSource.h"

// Stops the run with a crash the fuzzer keeps, when a promise of our own code is broken.
void Require(bool holds, const char* what);

// The reading sent over the wire and decoded again must be the reading sent.
void CheckWireRoundTrip(const TagReading& reading);

// Composes the reading into a record of every column, in every date layout and with separators
// of one and of several bytes, as a run would. No value may add or remove a column.
void CheckRecords(const TagReading& reading);
