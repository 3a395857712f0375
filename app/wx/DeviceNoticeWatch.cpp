#include "app/wx/DeviceNoticeWatch.h"

#include <wx/evtloop.h>

#include <cstdio>
#include <utility>

namespace tq {

DeviceNoticeWatch::DeviceNoticeWatch(NoticeSource source, std::function<void()> onNotice)
    : source_(std::move(source)), onNotice_(std::move(onNotice)) {
    if (source_.descriptor >= 0 && source_.drain) {
        watch_ = wxEventLoopBase::AddSourceForFD(source_.descriptor, this,
                                                 wxEVENT_SOURCE_INPUT | wxEVENT_SOURCE_EXCEPTION);
    }
    if (source_.descriptor >= 0 && watch_ == nullptr) {
        std::fprintf(stderr, "tq9000_config_app: device-change notices cannot be watched\n");
    }
}

DeviceNoticeWatch::~DeviceNoticeWatch() {
    StopWatching();
}

// The watch is level-triggered: drain before the handler runs, because the handler may open a
// message box whose loop would otherwise find the same notice waiting and re-enter at once.
// However many notices were waiting, one poll of the printer answers them all.
void DeviceNoticeWatch::OnReadWaiting() {
    const int drained = source_.drain();
    if (drained < 0) {
        std::fprintf(stderr, "tq9000_config_app: device-change notices stopped\n");
        StopWatching();
        return;
    }
    if (drained > 0) {
        onNotice_();
    }
}

// A source that has hung up or failed would wake the loop for ever.
void DeviceNoticeWatch::OnExceptionWaiting() {
    std::fprintf(stderr, "tq9000_config_app: device-change notices stopped\n");
    StopWatching();
}

void DeviceNoticeWatch::StopWatching() {
    delete watch_;
    watch_ = nullptr;
}

}  // namespace tq
