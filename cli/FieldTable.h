// What `tq9000ctl fields` prints: every field of the form as the program knows it, without asking
// any printer. Each field comes with its feature's id, its name and kind, the largest number it
// takes, the bits of the feature's byte that it carries, a flag set's check boxes (control id,
// mask, label), a font list's fonts (name, code), and the place of its feature in Read All's and in
// Write All's walk (from 1). All of it comes from the feature table (protocol/FeatureTable.h) and
// the form's template, so a script or the soak bench reads the very facts the program works by.
#pragma once

#include <string>

namespace tq::cli {

// For people: one line a field in show order, "ID NAME KIND WHAT-IT-TAKES", each check box and
// each font on an indented line of its own below its field, then the two walks' orders of ids.
std::string FormatFieldLines();
// For programs: JSON lines, one object a field in show order (keys in the man page).
std::string FormatFieldJson();

}  // namespace tq::cli
