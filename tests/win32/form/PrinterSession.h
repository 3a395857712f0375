// Test support: the Linux tq9000-sim serving COM1: for the program under Wine, one simulator per
// session (tests/wine/printer-session.sh). What the program sent is checked where it arrived: the
// simulator's features and print log, as it writes them when the session ends.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tq::test {

// Why sessions cannot run here (no simulator configured, COM1: not mapped), or empty.
std::string PrinterSessionsUnavailable();

class PrinterSession {
public:
    // Starts the simulator with these options and waits until COM1: leads to it.
    explicit PrinterSession(const std::vector<std::string>& simulatorOptions);
    ~PrinterSession();
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;

    bool Ready() const { return ready_; }

    struct Outcome {
        bool ended = false;
        std::map<int, int> features;  // id to value, as the simulator holds them at the end
        std::string printed;          // every byte the printer printed
        std::string log;              // the simulator's own messages
    };
    // Ends the session and reads what the simulator holds.
    Outcome End();

private:
    std::string Path(const char* name) const;  // a file of the session, as Windows names it

    std::string unixDir_;
    bool ready_ = false;
    bool ended_ = false;
};

}  // namespace tq::test
