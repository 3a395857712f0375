// tq9000_config_app: the desktop configuration utility, native on Windows. It takes no arguments.
#include "app/win32/ConfigApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    return tq::RunConfigApp(instance);
}
