// The form's four commands, written once against the window operations so that the desktop form
// and the headless form of tq9000ctl run the same code. Each opens the printer link, exchanges
// frames with the printer, fills controls or shows a message, and closes the link.
#pragma once

#include "protocol/FeatureMap.h"

namespace tq {

class WindowOps;

void OnReadAll(WindowOps& form);   // "Read All" (1075)
void OnWriteAll(WindowOps& form);  // "Write All" (1076)

// The same two commands for a front end that keeps track of which fields hold what (tq9000ctl):
// Read All saying which features' replies reached the form, and Write All sending only the
// features named (the others are passed over as an empty field is), since some of its fields may
// hold nothing anyone gave.
void ReadAllFeatures(WindowOps& form, FeatureSet& filled);
void WriteFeatures(WindowOps& form, const FeatureSet& toWrite);
void OnGetFeature(WindowOps& form);       // "Get" (1073)
void OnStatusTestPrint(WindowOps& form);  // "Status / Test Print" (1036)

// The status byte without the test print, for a front end that watches a printer (tq9000ctl's
// `enquire`): the enquiry alone, the byte shown in the same "Printer Status Byte" box, and nothing
// printed on paper. Bracketed and reported as "Status / Test Print" is.
void EnquireStatus(WindowOps& form);

}  // namespace tq
