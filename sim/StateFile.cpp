#include "sim/StateFile.h"

#include <charconv>
#include <optional>
#include <utility>
#include <vector>

namespace tq::sim {

namespace {

std::optional<std::uint8_t> ByteIn(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFF) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

// "ID VALUE", one blank between them, as FormatState writes it.
std::optional<std::pair<std::uint8_t, std::uint8_t>> StateLine(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    const auto id = ByteIn(line.substr(0, blank));
    const auto value = ByteIn(line.substr(blank + 1));
    if (!id || !value) {
        return std::nullopt;
    }
    return std::make_pair(*id, *value);
}

}  // namespace

std::string FormatState(const PrinterModel& model) {
    std::string text;
    for (int id = 0; id < 256; ++id) {
        text += std::to_string(id) + ' ' +
                std::to_string(model.Feature(static_cast<std::uint8_t>(id))) + '\n';
    }
    return text;
}

// Checked whole before the model changes, so that a file cut short or edited wrongly is refused
// rather than half applied.
std::string LoadState(std::string_view text, PrinterModel& model) {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> features;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        const auto feature = StateLine(line);
        if (!feature) {
            return "line " + std::to_string(number) +
                   ": not 'ID VALUE' with ID and VALUE from 0 to 255";
        }
        features.push_back(*feature);
    }
    for (const auto& [id, value] : features) {
        model.SetFeature(id, value);
    }
    return {};
}

}  // namespace tq::sim
