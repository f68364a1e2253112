// The simulator reading a recorded session for --replay: any text is either
// refused with a line number or loaded, and what is loaded answers every
// request with one whole recorded answer or none.
//
// Input: the recording's text.

#include "FuzzSupport.h"

#include "sim/ReplayRecording.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    sim::CReplayRecording recording;
    QString error;
    const bool loaded = recording.Parse(text, error);
    FUZZ_CHECK(loaded == error.isEmpty());
    if (!loaded) {
        FUZZ_CHECK(error.startsWith(QLatin1String("line ")));
        FUZZ_CHECK(recording.OpenCount() == 0 && recording.TransferCount() == 0);
        return 0;
    }
    // Loading is all or nothing and repeatable.
    sim::CReplayRecording again;
    FUZZ_CHECK(again.Parse(text, error));
    FUZZ_CHECK(again.OpenCount() == recording.OpenCount() && again.TransferCount() == recording.TransferCount());

    const std::vector<std::uint8_t> request(data, data + std::min<std::size_t>(size, 8));
    for (int i = 0; i < 3; ++i) {
        if (const auto answer = recording.NextTransfer(std::string(), request))
            FUZZ_CHECK(answer->result == 0 || answer->reply.empty());
    }
    return 0;
}
