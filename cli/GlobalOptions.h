// The options that come before tq9000ctl's actions and hold for the whole run: which printer to
// use (--port DEVICE, --usb SELECTOR, --no-usb), where to trace the line (--trace[=FILE]) and
// whether to leave out the start-up notice (--quiet).
// They are parsed with the rest of the command line, so a malformed one is a usage error before
// anything is opened; whether the port or printer they name is there is checked next
// (PrinterOptions.h), also before anything is sent.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tq::cli {

struct GlobalOptions {
    std::optional<std::string> port;   // the device COM1: stands for in this run
    std::optional<std::string> usb;    // the USB printer's serial number or device path
    bool noUsb = false;                // USB is not looked at (also implied by --port)
    std::optional<std::string> trace;  // "" for standard error, else the file to write
    bool quiet = false;                // the device notices are left out
};

// Every option's name, "--help" and "--version" among them, for guessing at a misspelled one.
std::vector<std::string> GlobalOptionNames();

// Whether the device notices ("Usb offline, assuming COM1:") are left out: with --quiet, and when
// --port or --no-usb chose COM1: (then nothing was assumed, and the notice would only repeat the
// command line). Failures are printed all the same.
bool NoticesLeftOut(const GlobalOptions& options);

// Takes the global options at args[at...] and moves `at` past them, up to the first word that is
// none ("--help" included, which is not an option of the run). False on a usage error, with the
// reason in `error`: an unknown option (with a guess at the one meant), a missing or empty value,
// an option given twice, or two that contradict each other (--port with --usb, --usb with
// --no-usb).
bool ParseGlobalOptions(const std::vector<std::string>& args, std::size_t& at,
                        GlobalOptions& options, std::string& error);

}  // namespace tq::cli
