#include "platform/posix/NodeOrder.h"

#include <string_view>
#include <utility>

namespace tq::posix {

namespace {

// The name without its trailing digits, and those digits.
std::pair<std::string_view, std::string_view> SplitNumber(std::string_view name) {
    std::size_t stem = name.size();
    while (stem > 0 && name[stem - 1] >= '0' && name[stem - 1] <= '9') {
        --stem;
    }
    return {name.substr(0, stem), name.substr(stem)};
}

}  // namespace

// Node numbers have no leading zeros, so the shorter string of digits is the smaller number.
bool NodeOrder(const std::string& a, const std::string& b) {
    const auto [stemA, numberA] = SplitNumber(a);
    const auto [stemB, numberB] = SplitNumber(b);
    if (stemA != stemB) {
        return stemA < stemB;
    }
    if (numberA.size() != numberB.size()) {
        return numberA.size() < numberB.size();
    }
    return numberA < numberB;
}

}  // namespace tq::posix
