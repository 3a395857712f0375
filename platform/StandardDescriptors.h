// What every program does before it opens anything: a standard descriptor (input, output or
// error) that it was started without is opened on the null device. Otherwise the first file or
// device it opens takes that number, and text meant for the terminal goes into it: with standard
// output closed, a status line would be sent to the printer's port and printed on the receipt.
// Careful set-user-id tools do the same, for the same reason.
#pragma once

namespace tq {

// False when a closed one could not be opened on the null device: the program should then end at
// once, having opened nothing.
bool OpenClosedStandardDescriptors();

}  // namespace tq
