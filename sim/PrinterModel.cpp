#include "sim/PrinterModel.h"

#include <algorithm>
#include <utility>

#include "protocol/FeatureTable.h"

namespace tq::sim {

namespace {

constexpr std::uint8_t kWriteCommand = 0x28;  // "("
constexpr std::uint8_t kQueryCommand = 0x3F;  // "?"
constexpr std::uint8_t kFirstText = 0x30;
constexpr std::uint8_t kLastText = 0x3F;
constexpr std::uint8_t kFirstByte = 0x41;
constexpr std::uint8_t kLastByte = 0x6F;
constexpr std::uint8_t kStx = 0x02;

bool IsTextId(std::uint8_t id) {
    return id >= kFirstText && id <= kLastText;
}
bool IsByteId(std::uint8_t id) {
    return id >= kFirstByte && id <= kLastByte;
}

std::string OversizedText() {
    std::string text(kOversizedTextLength, 'A');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('A' + i % 26);
    }
    return text;
}

}  // namespace

std::vector<std::uint8_t> TextReply(std::uint8_t id, const std::string& text) {
    // The leading bytes are never 0x03, so a chunk that ends with them does not end the reply.
    std::vector<std::uint8_t> reply{kStx, 'T', id};
    reply.reserve(text.size() + 4);  // also keeps GCC 12's -O3 array-bounds check quiet
    reply.insert(reply.end(), text.begin(), text.end());
    reply.push_back(kEtx);
    return reply;
}

PrinterModel::PrinterModel() {
    // The form's twelve features as the feature table gives the simulated printer's factory values.
    for (const FeatureBinding& feature : FeatureMap) {
        features_[feature.id] = feature.factoryValue;
    }
    SetText(0x30, "1.0");        // firmware version
    SetText(0x31, "TQ9000");     // model
    SetText(0x32, "SN0041729");  // serial number
    SetText(0x33, "0.9");        // boot loader version
}

const std::string& PrinterModel::Text(std::uint8_t id) const {
    static const std::string none;
    return IsTextId(id) ? texts_[id - kFirstText] : none;
}

void PrinterModel::SetText(std::uint8_t id, std::string text) {
    if (IsTextId(id)) {
        texts_[id - kFirstText] = std::move(text);
    }
}

std::vector<std::vector<std::uint8_t>> PrinterModel::Receive(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::uint8_t byte : bytes) {
        std::vector<std::uint8_t> reply;
        Step(byte, reply);
        if (!reply.empty() && !faults.silent) {
            for (auto& chunk : Deliver(reply)) {
                chunks.push_back(std::move(chunk));
            }
        }
    }
    return chunks;
}

void PrinterModel::Step(std::uint8_t byte, std::vector<std::uint8_t>& reply) {
    switch (state_) {
        case State::Idle:
            StepIdle(byte, reply);
            return;
        case State::Escape:
            StepEscape(byte);
            return;
        case State::LengthLow:
            remaining_ = byte;
            state_ = State::LengthHigh;
            return;
        case State::LengthHigh:
            remaining_ = static_cast<std::uint16_t>(remaining_ | byte << 8);
            bodyIndex_ = 0;
            state_ = remaining_ == 0 ? State::Idle : State::Body;
            return;
        case State::Body:
            StepBody(byte);
            return;
        case State::QueryId:
            state_ = State::Idle;
            Answer(byte, reply);
            return;
    }
}

void PrinterModel::StepIdle(std::uint8_t byte, std::vector<std::uint8_t>& reply) {
    if (byte == kEsc) {
        state_ = State::Escape;
    } else if (byte == kEnq) {
        reply.push_back(faults.statusByte);
    } else {
        printLog_.push_back(byte);
    }
}

// An escape sequence the printer does not know is printed as it came.
void PrinterModel::StepEscape(std::uint8_t byte) {
    if (byte == kWriteCommand) {
        state_ = State::LengthLow;
    } else if (byte == kQueryCommand) {
        state_ = State::QueryId;
    } else {
        printLog_.push_back(kEsc);
        printLog_.push_back(byte);
        state_ = State::Idle;
    }
}

// The body is the id, then the data bytes: the first stored under the id, any further ones under
// the ids that follow it.
void PrinterModel::StepBody(std::uint8_t byte) {
    if (bodyIndex_ == 0) {
        frameId_ = byte;
    } else {
        features_[static_cast<std::uint8_t>(frameId_ + bodyIndex_ - 1)] = byte;
    }
    ++bodyIndex_;
    if (--remaining_ == 0) {
        state_ = State::Idle;
    }
}

void PrinterModel::Answer(std::uint8_t id, std::vector<std::uint8_t>& reply) const {
    if (IsByteId(id)) {
        reply.push_back(features_[id]);
    } else if (IsTextId(id)) {
        AnswerText(id, reply);
    }
}

void PrinterModel::AnswerText(std::uint8_t id, std::vector<std::uint8_t>& reply) const {
    reply = TextReply(id, faults.oversizedText ? OversizedText() : Text(id));
}

std::vector<std::vector<std::uint8_t>> PrinterModel::Deliver(
    const std::vector<std::uint8_t>& reply) const {
    std::vector<std::uint8_t> whole = faults.garbage;
    whole.insert(whole.end(), reply.begin(), reply.end());
    whole.insert(whole.end(), faults.extraBytes.begin(), faults.extraBytes.end());
    if (faults.chunkSize == 0) {
        return {whole};
    }
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::size_t at = 0; at < whole.size(); at += faults.chunkSize) {
        const std::size_t end = std::min(whole.size(), at + faults.chunkSize);
        chunks.emplace_back(whole.begin() + static_cast<std::ptrdiff_t>(at),
                            whole.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return chunks;
}

}  // namespace tq::sim
