#pragma once
// Turns what the link's tap sees into traffic exchanges, kept in a ring for
// the traffic window and/or written to a recording.

#include "link/LinkTap.h"
#include "traffic/TrafficExchange.h"

class CRecordingWriter;
class CTrafficRing;

[[nodiscard]] STrafficExchange ToTrafficExchange(const SLinkExchange& seen);

class CTrafficRecorder final : public ILinkObserver {
public:
    // Either may be null; both must outlive the recorder's use by the link.
    CTrafficRecorder(CTrafficRing* ring, CRecordingWriter* writer) : ring_(ring), writer_(writer) {}

    void OnLinkExchange(const SLinkExchange& exchange) override;

private:
    CTrafficRing* ring_;
    CRecordingWriter* writer_;
};
