// The form's four commands, written once against the window operations so that the desktop form
// and the headless form of tq9000ctl run the same code. Each opens the printer link, exchanges
// frames with the printer, fills controls or shows a message, and closes the link.
#pragma once

namespace tq {

class WindowOps;

void OnReadAll(WindowOps& form);          // "Read All" (1075)
void OnWriteAll(WindowOps& form);         // "Write All" (1076)
void OnGetFeature(WindowOps& form);       // "Get" (1073)
void OnStatusTestPrint(WindowOps& form);  // "Status / Test Print" (1036)

}  // namespace tq
