#include "framework/HeadlessForm.h"

#include <algorithm>

#include "framework/MessageBoxes.h"

namespace tq {

void HeadlessForm::Add(int id, Kind kind) {
    Control control;
    control.kind = kind;
    controls_[id] = control;
}

void HeadlessForm::AddEdit(int id) {
    Add(id, Kind::Edit);
}
void HeadlessForm::AddCheckBox(int id) {
    Add(id, Kind::CheckBox);
}
void HeadlessForm::AddComboBox(int id) {
    Add(id, Kind::ComboBox);
}
void HeadlessForm::AddProgressBar(int id) {
    Add(id, Kind::ProgressBar);
}
bool HeadlessForm::Holds(int id) const {
    return controls_.count(id) != 0;
}

HeadlessForm::Control* HeadlessForm::Find(int id, Kind kind) {
    auto it = controls_.find(id);
    return it != controls_.end() && it->second.kind == kind ? &it->second : nullptr;
}

const HeadlessForm::Control* HeadlessForm::Find(int id, Kind kind) const {
    auto it = controls_.find(id);
    return it != controls_.end() && it->second.kind == kind ? &it->second : nullptr;
}

void HeadlessForm::ShowBox(const MessageBoxEvent& box) {
    if (MessageSink* sink = CurrentMessageSink()) {
        sink->Show(box);
    }
}

// An editable combo box has a text of its own too; both kinds answer the text operations.
std::string HeadlessForm::GetDlgItemText(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? std::string() : it->second.text;
}

void HeadlessForm::SetDlgItemText(int id, const std::string& text) {
    auto it = controls_.find(id);
    if (it != controls_.end()) {
        it->second.text = text;
    }
}

int HeadlessForm::GetCheck(int id) const {
    const Control* box = Find(id, Kind::CheckBox);
    return box ? box->check : 0;
}

void HeadlessForm::SetCheck(int id, int state) {
    if (Control* box = Find(id, Kind::CheckBox)) {
        box->check = state;
    }
}

void HeadlessForm::AddString(int id, const std::string& text) {
    if (Control* combo = Find(id, Kind::ComboBox)) {
        combo->items.push_back(text);
    }
}

int HeadlessForm::GetCurSel(int id) const {
    const Control* combo = Find(id, Kind::ComboBox);
    return combo ? combo->selection : kCbErr;
}

// Like CB_SETCURSEL: an index outside the list clears the selection.
void HeadlessForm::SetCurSel(int id, int index) {
    if (Control* combo = Find(id, Kind::ComboBox)) {
        const bool inList = index >= 0 && index < static_cast<int>(combo->items.size());
        combo->selection = inList ? index : kCbErr;
        combo->text = inList ? combo->items[index] : std::string();
    }
}

void HeadlessForm::GotoDlgCtrl(int id) {
    if (Holds(id)) {
        focus_ = id;
    }
}

void HeadlessForm::SetRange(int id, int low, int high) {
    if (Control* bar = Find(id, Kind::ProgressBar)) {
        bar->progress.low = low;
        bar->progress.high = high;
        bar->progress.pos = std::clamp(bar->progress.pos, low, high);
    }
}

void HeadlessForm::SetStep(int id, int step) {
    if (Control* bar = Find(id, Kind::ProgressBar)) {
        bar->progress.step = step;
    }
}

void HeadlessForm::SetPos(int id, int pos) {
    if (Control* bar = Find(id, Kind::ProgressBar)) {
        bar->progress.pos = std::clamp(pos, bar->progress.low, bar->progress.high);
    }
}

// A Win32 progress bar that steps past its end wraps round to the start of its range.
void HeadlessForm::StepIt(int id) {
    if (Control* bar = Find(id, Kind::ProgressBar)) {
        Progress& p = bar->progress;
        p.pos += p.step;
        if (p.pos > p.high) {
            p.pos = p.low + (p.pos - p.high);
        }
    }
}

const std::vector<std::string>& HeadlessForm::Items(int id) const {
    static const std::vector<std::string> none;
    const Control* combo = Find(id, Kind::ComboBox);
    return combo ? combo->items : none;
}

HeadlessForm::Progress HeadlessForm::ProgressOf(int id) const {
    const Control* bar = Find(id, Kind::ProgressBar);
    return bar ? bar->progress : Progress{};
}

}  // namespace tq
