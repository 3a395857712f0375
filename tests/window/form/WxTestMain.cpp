// The window tests' main: GoogleTest inside a running wx application, with the form's templates and
// style loaded as the program loads them. A wx assertion fails the test instead of opening a box.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <cstdio>

#include "app/ConfigApp.h"
#include "app/NativeLook.h"
#include "app/Resources.h"

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
    if (!tq::LoadDialogTemplates()) {
        return 1;
    }
    tq::InstallCompactStyle();
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
