#include "app/LinkCalls.h"

#include "link/PrinterLink.h"

namespace tq {

void PollPrinterOnDeviceChange(WindowOps& form) {
    HandleDeviceChange(form);
}

}  // namespace tq
