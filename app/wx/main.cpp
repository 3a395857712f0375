// tq9000_config_app: the desktop configuration utility. It takes no arguments.
#include <wx/utils.h>

#include "app/wx/ConfigApp.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    // The display's connection must not take the place of a closed standard descriptor.
    if (!tq::OpenClosedStandardDescriptors()) {
        return 1;
    }
    // GTK probes OpenGL as it starts, which loads the whole of Mesa and LLVM for a program that
    // draws none: about 100 ms of start-up and 50 MB of memory. It must be told before it starts;
    // a setting the user made stands.
    if (!wxGetEnv("GDK_GL", nullptr)) {
        wxSetEnv("GDK_GL", "disable");
    }
    return tq::RunConfigApp(argc, argv);
}
