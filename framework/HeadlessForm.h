// A form without a window: every control's state kept in memory, every message box handed to the
// application's sink. tq9000ctl drives it like a person pressing the form's buttons, and the unit
// tests use it to watch what the commands do to the controls.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/WindowOps.h"

namespace tq {

class HeadlessForm : public WindowOps {
public:
    struct Progress {
        int low = 0;
        int high = 100;
        int step = 10;
        int pos = 0;
    };

    // The form holds only the controls it is told about, as a dialog holds only its template's
    // items: text and check operations on an unknown id do nothing and read as empty.
    void AddEdit(int id);
    void AddCheckBox(int id);
    void AddComboBox(int id);
    void AddProgressBar(int id);
    bool Holds(int id) const;

    void ShowBox(const MessageBoxEvent& box) override;
    std::string GetDlgItemText(int id) const override;
    void SetDlgItemText(int id, const std::string& text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    void AddString(int id, const std::string& text) override;
    int GetCurSel(int id) const override;
    void SetCurSel(int id, int index) override;
    void GotoDlgCtrl(int id) override;
    void SetRange(int id, int low, int high) override;
    void SetStep(int id, int step) override;
    void SetPos(int id, int pos) override;
    void StepIt(int id) override;

    const std::vector<std::string>& Items(int id) const;
    // The control that GotoDlgCtrl last moved the focus to, or kNoFocus.
    static constexpr int kNoFocus = 0;
    int Focus() const { return focus_; }
    Progress ProgressOf(int id) const;

private:
    enum class Kind { Edit, CheckBox, ComboBox, ProgressBar };
    struct Control {
        Kind kind = Kind::Edit;
        std::string text;
        int check = 0;
        std::vector<std::string> items;
        int selection = kCbErr;
        Progress progress;
    };
    void Add(int id, Kind kind);
    Control* Find(int id, Kind kind);
    const Control* Find(int id, Kind kind) const;

    std::map<int, Control> controls_;
    int focus_ = kNoFocus;
};

}  // namespace tq
