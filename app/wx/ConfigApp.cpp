#include "app/wx/ConfigApp.h"

#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

#include "app/wx/ConfigForm.h"
#include "app/wx/NativeLook.h"
#include "app/wx/StartupProbe.h"
#include "app/wx/WxWindowOps.h"
#include "platform/DeviceNotifications.h"

namespace tq {

void SendDiagnosticsToStderr() {
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
        std::fprintf(stderr, "tq9000_config_app: %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                     func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    });
}

// The notices are watched from before the form exists until after it has gone, as a Windows form
// receives device changes for as long as its window lives.
bool CConfigApp::OnInit() {
    SendDiagnosticsToStderr();
    InstallCompactStyle();
    DeviceNotifications notices;
    CConfigForm form;
    if (!form.Loaded()) {
        exitCode_ = 1;
        return false;
    }
    SetTopWindow(&form);
    WxMessageSink sink;
    ScopedMessageSink boxes(&sink);
    form.WatchDeviceNotices({notices.Descriptor(), [&notices] { return notices.Drain(); }});
    StartupProbe probe(form);
    form.ShowModal();
    return false;
}

int RunConfigApp(int argc, char** argv) {
    wxApp::SetInstance(new CConfigApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "tq9000_config_app: no display to open the form on\n");
        return 1;
    }
    auto& app = static_cast<CConfigApp&>(*wxApp::GetInstance());
    app.CallOnInit();
    const int exitCode = app.ExitCode();
    wxEntryCleanup();
    return exitCode;
}

}  // namespace tq
