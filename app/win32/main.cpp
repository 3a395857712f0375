// tq9000_config_app: the desktop configuration utility, native on Windows. It takes no arguments.
#include "app/win32/ConfigApp.h"
#include "platform/CrashGuard.h"
#include "platform/StandardDescriptors.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    if (!tq::OpenClosedStandardDescriptors()) {
        return 1;
    }
    tq::InstallCrashGuard("tq9000_config_app");
    return tq::RunConfigApp(instance);
}
