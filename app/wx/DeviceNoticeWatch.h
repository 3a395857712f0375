// Delivers the system's device-change notices to the form on the GUI thread. The notice source is a
// descriptor that becomes readable when devices change (the platform's libudev monitor, or a pipe
// in tests) and a drain that consumes what is waiting. The descriptor is watched by the toolkit's
// event loop, so a notice also arrives inside the nested loop of a modal message box, as the
// system's device-change message does on Windows.
#pragma once

#include <wx/evtloopsrc.h>

#include <functional>

namespace tq {

struct NoticeSource {
    int descriptor = -1;
    // Consumes the waiting notices; the number consumed, or a negative number when the source has
    // failed for good.
    std::function<int()> drain;
};

class DeviceNoticeWatch : public wxEventLoopSourceHandler {
public:
    // A source without a descriptor is not watched (no notices, as on a system without hot-plug).
    DeviceNoticeWatch(NoticeSource source, std::function<void()> onNotice);
    // Removes the watch before the handler goes, or the event loop would call a freed handler.
    ~DeviceNoticeWatch() override;
    DeviceNoticeWatch(const DeviceNoticeWatch&) = delete;
    DeviceNoticeWatch& operator=(const DeviceNoticeWatch&) = delete;

    bool Watching() const { return watch_ != nullptr; }

    void OnReadWaiting() override;
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override;

private:
    void StopWatching();

    NoticeSource source_;
    std::function<void()> onNotice_;
    wxEventLoopSource* watch_ = nullptr;
};

}  // namespace tq
