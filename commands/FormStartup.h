// What the main form does as it comes up, shared by the desktop form and the headless form of
// tq9000ctl: one USB discovery with its notice, the two font lists filled without a selection,
// and the version field.
#pragma once

#include "version/ProjectVersion.h"

namespace tq {

class PrinterLink;
class WindowOps;

inline constexpr const char* kVersionText = kProjectVersion;

void StartUpForm(WindowOps& form, PrinterLink& link);

}  // namespace tq
