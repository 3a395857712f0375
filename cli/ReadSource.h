// Which printer a Read All just read, and when, for the `inventory` member of `show --json` and of
// a saved profile: the USB printer by its device path and serial number, or COM1: with the device
// it stands for and the setting that mapped it there. An inventory of many printers tells their
// profiles apart by it.
#pragma once

#include <chrono>
#include <string>

#include "cli/Configuration.h"
#include "link/PrinterLink.h"

namespace tq::cli {

// The link the command that just ended used (the USB printer when it was online, else COM1:), and
// the time now. Nothing is opened or sent to find it.
PrinterSource SourceOfLinkJustUsed(const PrinterLink& link);

// The time in UTC to the second, as RFC 3339 writes it: "2025-06-01T02:00:00Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

}  // namespace tq::cli
