// The command line of tq9000-sim: fault knobs and starting values for the printer model, the files
// to dump at exit, and the command to run against the simulated port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/PrinterModel.h"

namespace tq::sim {

struct SimOptions {
    Faults faults;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> features;  // --set ID=VALUE, in order
    std::vector<std::pair<std::uint8_t, std::string>> texts;      // --text ID=TEXT, in order
    std::string stateFile;
    std::string printLogFile;
    std::vector<std::string> command;  // after "--"; empty: print the port's path and serve
    bool help = false;
};

// Parses argv[1..]; on a usage error returns nothing and says why in `error`.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

// Applies the starting values and the faults to a model.
void ApplySimOptions(const SimOptions& options, PrinterModel& model);

extern const char* const kSimUsage;

}  // namespace tq::sim
