#include "app/wx/WxWindowOps.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/textentry.h>

#include <algorithm>

namespace tq {

namespace {

wxString FromUtf8(const std::string& text) {
    return wxString::FromUTF8(text.c_str());
}
std::string ToUtf8(const wxString& text) {
    return std::string(text.utf8_str());
}

}  // namespace

template <class Control>
Control* WxWindowOps::Find(int id) const {
    return dynamic_cast<Control*>(form_.FindWindow(id));
}

void WxWindowOps::ShowBox(const MessageBoxEvent& box) {
    if (MessageSink* sink = CurrentMessageSink()) {
        sink->Show(box);
    } else {
        ShowMessageDialog(&form_, box);
    }
}

// Edits and combo boxes answer with their entry's text, every other control with its label.
std::string WxWindowOps::GetDlgItemText(int id) const {
    const wxWindow* control = form_.FindWindow(id);
    if (control == nullptr || control == &form_) {
        return {};
    }
    if (const auto* entry = dynamic_cast<const wxTextEntry*>(control)) {
        return ToUtf8(entry->GetValue());
    }
    return ToUtf8(control->GetLabel());
}

// A drop-down list has no entry of its own: a text naming one of its items selects that item, any
// other text leaves it as it is. ChangeValue, because nobody listens for the change.
void WxWindowOps::SetDlgItemText(int id, const std::string& text) {
    wxWindow* control = form_.FindWindow(id);
    if (control == nullptr || control == &form_) {
        return;
    }
    if (auto* list = dynamic_cast<wxComboBox*>(control); list && list->HasFlag(wxCB_READONLY)) {
        if (const int index = list->FindString(FromUtf8(text), true); index != wxNOT_FOUND) {
            list->SetSelection(index);
        }
    } else if (auto* entry = dynamic_cast<wxTextEntry*>(control)) {
        entry->ChangeValue(FromUtf8(text));
    } else {
        control->SetLabel(FromUtf8(text));
    }
}

int WxWindowOps::GetCheck(int id) const {
    const auto* box = Find<wxCheckBox>(id);
    return box != nullptr && box->GetValue() ? 1 : 0;
}

// A two-state box shows any non-zero state as checked, as BM_SETCHECK does.
void WxWindowOps::SetCheck(int id, int state) {
    if (auto* box = Find<wxCheckBox>(id)) {
        box->SetValue(state != 0);
    }
}

void WxWindowOps::AddString(int id, const std::string& text) {
    if (auto* combo = Find<wxComboBox>(id)) {
        combo->Append(FromUtf8(text));
    }
}

int WxWindowOps::GetCurSel(int id) const {
    const auto* combo = Find<wxComboBox>(id);
    const int selection = combo != nullptr ? combo->GetSelection() : wxNOT_FOUND;
    return selection == wxNOT_FOUND ? kCbErr : selection;
}

// An index outside the list clears the selection, and an editable box's text with it.
void WxWindowOps::SetCurSel(int id, int index) {
    auto* combo = Find<wxComboBox>(id);
    if (combo == nullptr) {
        return;
    }
    if (index >= 0 && index < static_cast<int>(combo->GetCount())) {
        combo->SetSelection(index);
        return;
    }
    combo->SetSelection(wxNOT_FOUND);
    if (!combo->HasFlag(wxCB_READONLY)) {
        combo->ChangeValue(wxString());
    }
}

// GTK selects an entry's text when it takes the focus, unless the user has turned that off; the
// selection is made here too, so the field is always ready to be typed over.
void WxWindowOps::GotoDlgCtrl(int id) {
    wxWindow* control = form_.FindWindow(id);
    if (control == nullptr || control == &form_) {
        return;
    }
    control->SetFocus();
    if (auto* entry = dynamic_cast<wxTextEntry*>(control)) {
        entry->SelectAll();
    }
}

void WxWindowOps::SetRange(int id, int low, int high) {
    if (wxGauge* gauge = Gauge(id)) {
        progress_.SetRange(id, low, high);
        ShowProgress(*gauge, id);
    }
}

void WxWindowOps::SetStep(int id, int step) {
    if (Gauge(id) != nullptr) {
        progress_.SetStep(id, step);
    }
}

void WxWindowOps::SetPos(int id, int pos) {
    if (wxGauge* gauge = Gauge(id)) {
        progress_.SetPos(id, pos);
        ShowProgress(*gauge, id);
    }
}

void WxWindowOps::StepIt(int id) {
    if (wxGauge* gauge = Gauge(id)) {
        progress_.StepIt(id);
        ShowProgress(*gauge, id);
    }
}

// A bar joins the arithmetic on first use, with Win32's defaults (0..100, step 10).
wxGauge* WxWindowOps::Gauge(int id) {
    auto* gauge = Find<wxGauge>(id);
    if (gauge != nullptr && !progress_.Holds(id)) {
        progress_.AddProgressBar(id);
    }
    return gauge;
}

// A wx gauge counts from 0, so the range is shifted by its low end.
void WxWindowOps::ShowProgress(wxGauge& gauge, int id) const {
    const HeadlessForm::Progress state = progress_.ProgressOf(id);
    gauge.SetRange(std::max(1, state.high - state.low));
    gauge.SetValue(state.pos - state.low);
}

long MessageDialogStyle(unsigned type) {
    switch (type & 0xF0) {
        case 0x10:
            return wxOK | wxICON_ERROR;
        case 0x20:
            return wxOK | wxICON_QUESTION;
        case 0x30:
            return wxOK | wxICON_WARNING;
        case 0x40:
            return wxOK | wxICON_INFORMATION;
        default:
            return wxOK | wxICON_NONE;  // without it GTK picks an icon of its own
    }
}

void ShowMessageDialog(wxWindow* owner, const MessageBoxEvent& box) {
    wxMessageDialog dialog(owner, FromUtf8(box.text), FromUtf8(box.caption),
                           MessageDialogStyle(box.type));
    dialog.ShowModal();
}

void WxMessageSink::Show(const MessageBoxEvent& box) {
    ShowMessageDialog(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr, box);
}

}  // namespace tq
