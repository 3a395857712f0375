// The window tests' main: GoogleTest inside a running wx application, with the form's style
// installed as the program installs it. A wx assertion fails the test instead of opening a box.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <cstdio>

#include "app/wx/ConfigApp.h"
#include "app/wx/NativeLook.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();  // CTest lists the suites before any X server is started
    }
    if (!wxGetEnv("GDK_GL", nullptr)) {
        wxSetEnv("GDK_GL", "disable");
    }
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr,
                     "window tests: no display (run them with tests/window/run-with-xvfb.sh)\n");
        return 1;
    }
    tq::SendDiagnosticsToStderr();
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
        ADD_FAILURE_AT(file.utf8_str().data(), line)
            << "wx assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
            << msg.utf8_string();
    });
    tq::InstallCompactStyle();
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
