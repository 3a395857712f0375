#include "app/wx/NativeLook.h"

#include <gtk/gtk.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/window.h>

namespace tq {

namespace {

// The name that scopes the style to our templates: message boxes and the file system's own
// dialogs keep the stock look.
constexpr const char* kTemplateWidgetName = "tq-template";

// Minimum heights down to what a row of the template holds (12 to 14 dialog units, 20 to 23
// pixels at the templates' 8-point font); the text itself is not made smaller.
constexpr const char* kCompactCss = R"css(
#tq-template entry {
  min-height: 0; padding-top: 0; padding-bottom: 0; padding-left: 3px; padding-right: 3px;
}
#tq-template button {
  min-height: 0; min-width: 0; padding: 0 4px;
}
combobox button, combobox entry {
  min-height: 0; padding-top: 0; padding-bottom: 0;
}
#tq-template checkbutton { min-height: 0; padding: 0; }
#tq-template checkbutton check { min-width: 11px; min-height: 11px; margin: 0 4px 0 0; }
#tq-template progressbar trough, #tq-template progressbar progress { min-height: 0; }
)css";

GtkWidget* Native(wxWindow& window) {
    return GTK_WIDGET(window.GetHandle());
}

// GTK gives a combo box two tab stops, its field and its drop-down button; a Win32 combo box is
// one. The button still opens the list when clicked, and Alt+Down still does from the field.
void TakeButtonOutOfTabOrder(GtkWidget* widget, gpointer /*unused*/) {
    if (GTK_IS_TOGGLE_BUTTON(widget)) {
        gtk_widget_set_can_focus(widget, FALSE);
    } else if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(GTK_CONTAINER(widget), TakeButtonOutOfTabOrder, nullptr);
    }
}

}  // namespace

void InstallCompactStyle() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCompactCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

// Combo boxes took their height from the stock style as they were made; they are measured again
// under the compact one, and become one tab stop each. A check box's text too long for its cell
// ends in an ellipsis: GTK will not draw a check box narrower than its whole text, and says so on
// standard error.
void FitTemplateLook(wxDialog& dialog) {
    gtk_widget_set_name(Native(dialog), kTemplateWidgetName);
    for (wxWindow* child : dialog.GetChildren()) {
        if (auto* label = dynamic_cast<wxStaticText*>(child)) {
            gtk_label_set_line_wrap(GTK_LABEL(Native(*label)), TRUE);
        } else if (dynamic_cast<wxCheckBox*>(child) != nullptr) {
            GtkWidget* text = gtk_bin_get_child(GTK_BIN(Native(*child)));
            if (GTK_IS_LABEL(text)) {
                gtk_label_set_ellipsize(GTK_LABEL(text), PANGO_ELLIPSIZE_END);
            }
        } else if (dynamic_cast<wxComboBox*>(child) != nullptr) {
            child->InvalidateBestSize();
            child->SetSize(wxSize(child->GetSize().x, child->GetBestSize().y));
            gtk_container_forall(GTK_CONTAINER(Native(*child)), TakeButtonOutOfTabOrder, nullptr);
        }
    }
}

void CentreLabelVertically(wxStaticText& label) {
    gtk_label_set_yalign(GTK_LABEL(Native(label)), 0.5f);
}

}  // namespace tq
