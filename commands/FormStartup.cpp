#include "commands/FormStartup.h"

#include "framework/ControlIds.h"
#include "framework/WindowOps.h"
#include "link/PrinterLink.h"
#include "protocol/FontTable.h"

namespace tq {

namespace {

void FillFontList(WindowOps& form, int comboBox) {
    for (const FontEntry& font : FontTable) {
        form.AddString(comboBox, font.displayName);
    }
}

}  // namespace

// The start-up discovery tells the user where commands will go but leaves DeviceState Unknown:
// the first poll decides it.
void StartUpForm(WindowOps& form) {
    if (FindUsbPrinter() == 0) {
        CloseUsbHandle();
        form.MessageBox("Usb offline, assuming COM1:", "BRENLOW", kMbIconInformation);
    } else {
        form.MessageBox("Device Online", "BRENLOW", kMbIconInformation);
    }
    FillFontList(form, IDC_JOURNAL_FONT);
    FillFontList(form, IDC_VALIDATION_FONT);
    form.SetDlgItemText(IDC_VERSION, kVersionText);
}

}  // namespace tq
