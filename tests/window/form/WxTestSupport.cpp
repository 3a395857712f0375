#include "tests/window/form/WxTestSupport.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>

#include "app/wx/AboutBox.h"
#include "app/wx/ConfigForm.h"

namespace tq::test {

std::string Describe(const ShownDialog& dialog) {
    if (dialog.kind != "message") {
        return dialog.kind;
    }
    const bool info = (dialog.style & wxICON_INFORMATION) != 0;
    return dialog.caption + ": " + dialog.text + (info ? " (i)" : "");
}

std::vector<std::string> Describe(const std::vector<ShownDialog>& dialogs) {
    std::vector<std::string> lines;
    for (const ShownDialog& dialog : dialogs) {
        lines.push_back(Describe(dialog));
    }
    return lines;
}

namespace {

std::string KindOf(wxDialog& dialog) {
    if (dynamic_cast<CConfigForm*>(&dialog) != nullptr) {
        return "form";
    }
    if (dynamic_cast<CAboutBox*>(&dialog) != nullptr) {
        return "about";
    }
    return "dialog";
}

}  // namespace

DialogRecorder::DialogRecorder() {
    Register();
}
DialogRecorder::~DialogRecorder() {
    Unregister();
}

int DialogRecorder::Enter(wxDialog* dialog) {
    ShownDialog record;
    record.owner = dialog->GetParent();
    record.openBefore = open_;
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        record.kind = "message";
        record.text = box->GetMessage().utf8_string();
        record.caption = box->GetCaption().utf8_string();
        record.style = box->GetMessageDialogStyle();
    } else {
        record.kind = KindOf(*dialog);
        record.caption = dialog->GetTitle().utf8_string();
    }
    shown.push_back(record);
    const int result = answer ? answer(*dialog) : DefaultAnswer(*dialog);
    if (result == wxID_NONE) {
        ++open_;  // shown for real: Exit comes when it closes
    }
    return result;
}

int DialogRecorder::DefaultAnswer(wxDialog& dialog) const {
    if (dynamic_cast<wxMessageDialog*>(&dialog) != nullptr) {
        return wxID_OK;
    }
    if (dynamic_cast<CConfigForm*>(&dialog) != nullptr) {
        return wxID_NONE;
    }
    ADD_FAILURE() << "unexpected dialog: " << shown.back().kind << " \"" << shown.back().caption
                  << "\"";
    return wxID_CANCEL;
}

void DialogRecorder::Exit(wxDialog* /*dialog*/) {
    --open_;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        RunPendingEvents();
        wxMilliSleep(2);
    }
    return true;
}

// wxYield rather than Yield(true): the latter does nothing when called from a handler that runs
// inside another yield (a menu's loop inside the input simulator's), which is where some waits are.
void RunPendingEvents() {
    wxYield();
}

void HandleQueuedInput() {
    gdk_display_sync(gdk_display_get_default());
    RunPendingEvents();
}

// Without a window manager the server maps a window as soon as it reads the request: once GTK has
// mapped the window, one round trip makes sure the server has.
bool WaitUntilReadyForInput(wxTopLevelWindow& window) {
    const bool mapped = WaitUntil(
        [&] { return window.IsShownOnScreen() && gtk_widget_get_mapped(window.GetHandle()); });
    HandleQueuedInput();
    return mapped;
}

void ClickOn(wxWindow& window) {
    wxUIActionSimulator input;
    input.MouseMove(window.GetScreenRect().GetPosition() + window.GetSize() / 2);
    input.MouseClick();
    HandleQueuedInput();
}

void PressKey(int keyCode) {
    wxUIActionSimulator input;
    input.Char(keyCode);
    HandleQueuedInput();
}

ButtonActivations::ButtonActivations(wxWindow& window) {
    const auto count = +[](GtkButton* /*button*/, gpointer self) {
        ++static_cast<ButtonActivations*>(self)->count_;
    };
    for (wxWindow* child : window.GetChildren()) {
        if (dynamic_cast<wxButton*>(child) != nullptr) {
            GtkWidget* button = child->GetHandle();
            handlers_.emplace_back(button,
                                   g_signal_connect(button, "activate", G_CALLBACK(count), this));
        }
    }
}

ButtonActivations::~ButtonActivations() {
    for (const auto& [button, handler] : handlers_) {
        g_signal_handler_disconnect(button, handler);
    }
}

int ToolkitMinimumHeight(wxWindow& control) {
    int minimum = 0;
    gtk_widget_get_preferred_height(GTK_WIDGET(control.GetHandle()), &minimum, nullptr);
    return minimum;
}

void CloseLikeWindowManager(wxTopLevelWindow& window) {
    gtk_window_close(GTK_WINDOW(window.GetHandle()));
}

void DismissNativeBox(wxDialog& box) {
    gtk_dialog_response(GTK_DIALOG(box.GetHandle()), GTK_RESPONSE_OK);
}

bool NativeBoxShown(wxDialog& box) {
    return box.GetHandle() != nullptr && gtk_widget_get_mapped(box.GetHandle());
}

Watchdog::Watchdog(int ms, std::function<void()> rescue) : rescue_(std::move(rescue)) {
    timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        ADD_FAILURE() << "the watchdog fired: something waited for ever";
        rescue_();
    });
    timer_.StartOnce(ms);
}

Watchdog::~Watchdog() {
    timer_.Stop();
}

int RunModalWith(wxDialog& dialog, const std::function<void()>& script) {
    dialog.CallAfter([&dialog, script] {
        script();
        if (dialog.IsModal()) {
            ADD_FAILURE() << "the dialog was still open after the script";
            dialog.EndModal(wxID_ABORT);
        }
    });
    return dialog.ShowModal();
}

}  // namespace tq::test
