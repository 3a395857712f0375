// The simulated printer's memory between runs: its 256 features as "ID VALUE" lines, both in
// decimal, one for every id. tq9000-sim writes them at exit and reads them back at start when the
// file is there, so that a second run finds what the first one wrote. The texts of the text
// features are not kept: they are the simulator's own.
#pragma once

#include <string>
#include <string_view>

#include "sim/PrinterModel.h"

namespace tq::sim {

std::string FormatState(const PrinterModel& model);

// Sets the features the text gives. Empty on success; otherwise what is wrong and on which line
// ("line 3: not 'ID VALUE' with ID and VALUE from 0 to 255"), and the model is left as it was.
std::string LoadState(std::string_view text, PrinterModel& model);

}  // namespace tq::sim
