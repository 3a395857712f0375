// Test support: the Linux tq9000-sim serving COM1: for the program under Wine, one simulator per
// session (tests/wine/printer-session.sh), or serving a line of the session's own for a device
// that the test puts in front of it (a mock USB printer). What the program sent is checked where it
// arrived: the simulator's features and print log, as it writes them when the session ends.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tq::test {

// Why sessions cannot run here (no simulator configured, COM1: not mapped), or empty.
std::string PrinterSessionsUnavailable();

class PrinterSession {
public:
    // Where the simulator's terminal is reached: the prefix's COM1:, or a link of the session's
    // own (LinePath()).
    enum class Line { Com1, Own };
    // Starts the simulator with these options and waits until the line leads to it.
    explicit PrinterSession(const std::vector<std::string>& simulatorOptions,
                            Line line = Line::Com1);
    ~PrinterSession();
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;

    bool Ready() const { return ready_; }
    // The session's own link to the terminal, as Windows names it (Line::Own).
    std::string LinePath() const { return Path("line"); }

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
