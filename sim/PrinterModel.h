// A simulated tq9000: the printer's side of the feature commands and of the status enquiry, as
// pure code (bytes in, bytes out). It keeps 256 one-byte features and the texts of the text
// features, parses the host's byte stream however it is split, prints what is not a command, and
// answers queries and ENQ. Fault knobs make it misbehave on purpose. Hosts put it on the fake
// platform (unit tests) or on a pseudo-terminal (tq9000-sim); delivery timing is theirs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tq::sim {

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::size_t kOversizedTextLength = 300;

struct Faults {
    bool silent = false;        // hears everything, answers nothing
    unsigned delayMs = 0;       // for the host: wait this long before a reply
    std::size_t chunkSize = 0;  // replies delivered in pieces of this many bytes (0: whole)
    unsigned chunkGapMs = 1;    // for the host: time between the pieces of a reply
    std::vector<std::uint8_t> extraBytes;  // appended to every reply
    std::vector<std::uint8_t> garbage;     // sent ahead of every reply
    bool oversizedText = false;            // text replies carry kOversizedTextLength characters
    std::uint8_t statusByte = 0x00;        // the answer to ENQ
    // For the host: once this many bytes have passed either way, close the line at the next one,
    // as a printer that is switched off or unplugged in the middle of a command.
    std::optional<std::size_t> hangUpAfterBytes;
};

class PrinterModel {
public:
    PrinterModel();  // the factory defaults

    std::uint8_t Feature(std::uint8_t id) const { return features_[id]; }
    void SetFeature(std::uint8_t id, std::uint8_t value) { features_[id] = value; }
    // The text a text feature (0x30..0x3F) answers with; other ids have none.
    const std::string& Text(std::uint8_t id) const;
    void SetText(std::uint8_t id, std::string text);
    // Every byte the printer printed, in order.
    const std::vector<std::uint8_t>& PrintLog() const { return printLog_; }

    Faults faults;

    // Takes bytes from the host and gives the reply chunks they call for, in order, each to be
    // delivered as one piece. A frame may arrive split over calls or several in one call.
    std::vector<std::vector<std::uint8_t>> Receive(std::span<const std::uint8_t> bytes);

private:
    enum class State { Idle, Escape, LengthLow, LengthHigh, Body, QueryId };
    void Step(std::uint8_t byte, std::vector<std::uint8_t>& reply);
    void StepIdle(std::uint8_t byte, std::vector<std::uint8_t>& reply);
    void StepEscape(std::uint8_t byte);
    void StepBody(std::uint8_t byte);
    void Answer(std::uint8_t id, std::vector<std::uint8_t>& reply) const;
    void AnswerText(std::uint8_t id, std::vector<std::uint8_t>& reply) const;
    std::vector<std::vector<std::uint8_t>> Deliver(const std::vector<std::uint8_t>& reply) const;

    std::array<std::uint8_t, 256> features_{};
    std::array<std::string, 16> texts_;
    std::vector<std::uint8_t> printLog_;

    State state_ = State::Idle;
    std::uint16_t remaining_ = 0;  // bytes of the write frame's body still to come
    std::uint16_t bodyIndex_ = 0;
    std::uint8_t frameId_ = 0;
};

// Text features answer in this form: three leading bytes, the characters, ETX.
std::vector<std::uint8_t> TextReply(std::uint8_t id, const std::string& text);

}  // namespace tq::sim
