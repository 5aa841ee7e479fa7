// A run's start time to the millisecond and its sequence number, as the
// name of the run's backup folder ("2026-12-11_00-28-47.123_1") and as the
// OLE date the history keeps.
#pragma once

#include <cstdint>
#include <string>

#include "common/misc/CxPlatform.h"

std::string BackupRunName(const CxSystemTime& start, int32_t sequence);
// Only names BackupRunName makes; false for anything else.
bool ParseBackupRunName(const std::string& name, CxSystemTime& start, int32_t& sequence);

// The start time as an OLE date that keeps the milliseconds.
bool BackupRunOleDate(const CxSystemTime& start, double& ole);
// Back to calendar fields, to the nearest millisecond; false before 1900
// and outside the calendar.
bool BackupRunTimeFromOle(double ole, CxSystemTime& start);
// "2026-12-11 00:28:47.123", for lists and the journal.
std::string BackupRunTimeText(const CxSystemTime& start);
