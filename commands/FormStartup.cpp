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
// The offline notice carries why a USB printer that discovery found could not be opened, for a
// front end that can say more than the form does.
void StartUpForm(WindowOps& form, PrinterLink& link) {
    if (link.FindUsbPrinter() == 0) {
        link.CloseUsbHandle();
        form.ShowMessage(MessageId::StartUpOffline, link.UsbOpenFailureValue());
    } else {
        form.ShowMessage(MessageId::StartUpOnline);
    }
    FillFontList(form, IDC_JOURNAL_FONT);
    FillFontList(form, IDC_VALIDATION_FONT);
    form.SetDlgItemText(IDC_VERSION, kVersionText);
}

}  // namespace tq
