// tq9000_config_app: the desktop configuration utility. It takes no arguments.
#include <wx/utils.h>

#include "app/wx/ConfigApp.h"

int main(int argc, char** argv) {
    // GTK probes OpenGL as it starts, which loads the whole of Mesa and LLVM for a program that
    // draws none: about 100 ms of start-up and 50 MB of memory. It must be told before it starts;
    // a setting the user made stands.
    if (!wxGetEnv("GDK_GL", nullptr)) {
        wxSetEnv("GDK_GL", "disable");
    }
    return tq::RunConfigApp(argc, argv);
}
