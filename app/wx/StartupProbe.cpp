#include "app/wx/StartupProbe.h"

#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>

namespace tq {

StartupProbe::StartupProbe(wxDialog& form) : form_(form) {
    wxString mode;
    if (!wxGetEnv("TQ9000_STARTUP_PROBE", &mode) || (mode != "exit" && mode != "hold")) {
        return;
    }
    active_ = true;
    closeAfterPaint_ = mode == "exit";
    Register();
    form_.Bind(wxEVT_PAINT, &StartupProbe::OnPaint, this);
}

StartupProbe::~StartupProbe() {
    if (active_) {
        form_.Unbind(wxEVT_PAINT, &StartupProbe::OnPaint, this);
        Unregister();
    }
}

int StartupProbe::Enter(wxDialog* dialog) {
    return dynamic_cast<wxMessageDialog*>(dialog) != nullptr ? wxID_OK : wxID_NONE;
}

void StartupProbe::OnPaint(wxPaintEvent& event) {
    event.Skip();
    if (painted_) {
        return;
    }
    painted_ = true;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf(
        "first-paint %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
    if (closeAfterPaint_) {
        form_.CallAfter([this] { form_.Close(); });
    }
}

}  // namespace tq
