// "Did you mean" for names typed on the command line: a misspelled action, option or field name is
// answered with the one known name it is clearly close to. Close means few single-character edits
// (insert, delete, replace, swap two neighbours; a change of case costs nothing), and clearly
// means that no other known name is as close: two candidates at the same distance get no guess.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq::cli {

// The edits that turn `a` into `b`, letters compared without regard to case.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The known name `typed` is a slip of, or nothing when none is close or two are equally close.
std::optional<std::string> NearestName(std::string_view typed,
                                       const std::vector<std::string>& known);

// "; did you mean 'read-all'?" to append to an error, or "" when there is no clear guess.
std::string DidYouMean(std::string_view typed, const std::vector<std::string>& known);

}  // namespace tq::cli
