// tq9000_config_app: the desktop configuration utility, native on Windows. It takes no arguments.
#include "app/win32/ConfigApp.h"
#include "platform/CrashGuard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    tq::InstallCrashGuard("tq9000_config_app");
    return tq::RunConfigApp(instance);
}
