// The main form as the program runs it, for the window tests: the simulated printer behind the
// fake platform, every box going through the program's own sink into real wx message dialogs, and
// each of those recorded and answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/window.h>

#include <string>

#include "app/wx/ConfigForm.h"
#include "app/wx/WxWindowOps.h"
#include "framework/ControlIds.h"
#include "framework/MessageBoxes.h"
#include "tests/window/form/PrinterRig.h"
#include "tests/window/form/WxTestSupport.h"

namespace tq::test {

class FormFixture : public ::testing::Test {
protected:
    FormFixture() { wxTheApp->SetTopWindow(&form); }

    wxWindow& Control(int id) {
        wxWindow* control = form.FindWindow(id);
        EXPECT_NE(control, nullptr) << "no control " << id;
        return control != nullptr ? *control : static_cast<wxWindow&>(form);
    }
    std::string Text(int id) { return form.Ops().GetDlgItemText(id); }

    // Shows the form for real, waits until it takes input, runs `script`, and closes the form with
    // EXIT if the script has not closed it.
    void RunForm(const std::function<void()>& script) {
        RunModalWith(form, [this, script] {
            ASSERT_TRUE(WaitUntilReadyForInput(form)) << "the form never came on the screen";
            script();
            if (form.IsModal()) {
                form.EndModal(kIdCancel);
            }
        });
    }

    PrinterRig printer;
    DialogRecorder dialogs;
    WxMessageSink sink;
    ScopedMessageSink sinkInstalled{&sink};
    CConfigForm form;
};

}  // namespace tq::test
