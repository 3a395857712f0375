#include "platform/Platform.h"

namespace tq {

namespace {
Platform* g_installed = nullptr;
}

Platform& CurrentPlatform() {
    return g_installed != nullptr ? *g_installed : SystemPlatform();
}

Platform* SetPlatform(Platform* platform) {
    Platform* previous = g_installed;
    g_installed = platform;
    return previous;
}

}  // namespace tq
