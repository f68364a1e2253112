// The firmware download engine fed the unit's replies (and the handler's
// notices of lost requests) in any order, from the start command on. The
// engine downloads a real master file and image pair, written once into a
// temporary folder; its requests go to the handler's send queue and are
// checked there.
//
// Input: an option byte (bit 0: the pair whose image fills whole blocks;
// bit 1: Yes to the version questions), then records of one flag byte and a
// 16-bit big-endian length with the reply. Flags: 0x01 puts the number of the
// last block sent into a block transfer reply, 0x04 delivers the notice of a
// lost download request instead (0x20: of another group's request), 0x08 lets
// the engine's timers (waits, the retry, the failure window) fire first in
// the order they are due, 0x10 delivers the reply while a request still
// waits to go out.
//
// Checks: a done notice leaves the engine idle with both files closed; done
// with success only after the unit's final status 0 that followed a good
// verification; every data block carries the file's own bytes and none
// reaches past the end of its file.

#include "DownloadPair.h"
#include "FuzzSupport.h"
#include "PlayedHandler.h"

#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"
#include "platform/UserPrompts.h"
#include "software/DownloadMessages.h"
#include "software/download/MulticastDownload.h"

#include <QAbstractEventDispatcher>
#include <QTimerEvent>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum Flag : std::uint8_t { kFitBlock = 0x01, kFailure = 0x04, kLetTimePass = 0x08, kForeignFailure = 0x20,
                           kNoWait = 0x10 };
constexpr std::size_t kMaxRecords = 96;
constexpr std::size_t kTftpBlock = fuzz::kTftpBlockBytes;
constexpr std::uint16_t kUnitAddress = 131; // the simulated unit the seeds come from

// Two pairs: an image ending in a short block, and one of whole blocks.
struct Files {
    QTemporaryDir dir;
    fuzz::DownloadPair pairs[2];
};

bool g_answerYes = false;

Files& Setup()
{
    static Files* files = [] {
        fuzz::PlayedHandler::Instance();
        SetMessageBoxFunction([](const MessageBoxRequest&) { return g_answerYes ? MsgAnswer::Yes : MsgAnswer::No; });
        auto* made = new Files;
        FUZZ_CHECK(made->dir.isValid());
        for (int i = 0; i < 2; ++i)
            FUZZ_CHECK(fuzz::WriteDownloadPair(QDir(made->dir.path()), i, made->pairs[i]));
        return made;
    }();
    return *files;
}

class Notices : public CMessageTarget {
public:
    std::vector<std::pair<unsigned, MsgWParam>> received;

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam) override
    {
        received.emplace_back(message, wParam);
        return 0;
    }
};

// What the harness knows of the exchange so far.
struct Watch {
    const fuzz::DownloadPair* pair = nullptr;
    enum class File { None, Master, Image } file = File::None;
    std::uint16_t lastBlock = 0;
    std::uint32_t resumeOffset = 0;
    bool verified = false;      // a verification ended well in this download
    bool finalStatusOk = false; // the reply just delivered was the final status 0
};

std::uint16_t Word(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

// Checks each request the engine sent and notes what it tells.
void CheckRequests(const std::vector<Bytes>& requests, Watch& watch, const CMulticastDownload& engine)
{
    for (const Bytes& r : requests) {
        FUZZ_CHECK(r.size() >= 4 && r[0] == kDownloadClass && r[1] == kDownloadAddressing);
        if (r[2] != 0x8B)
            continue;
        FUZZ_CHECK(r.size() >= 9 && Word(r, 5) == r.size() - 7);
        const std::uint16_t opcode = Word(r, 7);
        if (opcode == 2) { // write request: the file named starts at block 0
            const char* name = reinterpret_cast<const char*>(r.data() + 9);
            const std::size_t length = strnlen(name, r.size() - 9);
            const std::string file(name, length);
            watch.file = file == kImageTransferName ? Watch::File::Image : Watch::File::Master;
            watch.resumeOffset = engine.GetResumeOffset();
            watch.lastBlock = 0;
            continue;
        }
        FUZZ_CHECK(opcode == 3 && r.size() >= 11);
        const std::uint16_t block = Word(r, 9);
        FUZZ_CHECK(watch.file != Watch::File::None);
        FUZZ_CHECK(block >= 1);
        watch.lastBlock = block;
        const Bytes& content = watch.file == Watch::File::Image ? watch.pair->image : watch.pair->master;
        const std::size_t start = (watch.file == Watch::File::Image ? watch.resumeOffset : 0) +
                                  (std::size_t{block} - 1) * kTftpBlock;
        const std::size_t length = r.size() - 11;
        FUZZ_CHECK(length <= kTftpBlock);
        // Never past the end of the file, and the file's own bytes.
        FUZZ_CHECK(start + length <= content.size());
        FUZZ_CHECK(std::equal(r.begin() + 11, r.end(), content.begin() + static_cast<std::ptrdiff_t>(start)));
    }
}

bool IsFinalStatusOk(const Bytes& reply)
{
    static const char kFinal[] = "M:17,3,0";
    return reply.size() >= 17 && reply[0] == kDownloadClass && reply[2] == 0x97 &&
           std::memcmp(reply.data() + 3, kFinal, 8) == 0 && Word(reply, 15) == 0;
}

// Time passes for the engine: its timer due first fires now, as the event
// loop would fire it once its period is over. Real waits (even scaled to the
// 1 ms the timer scale allows) would hold every input for milliseconds.
bool FireDueTimer(CMulticastDownload& engine)
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return false;
    const QList<QAbstractEventDispatcher::TimerInfo> timers = dispatcher->registeredTimers(&engine);
    if (timers.isEmpty())
        return false;
    int due = timers.front().timerId;
    int least = dispatcher->remainingTime(due);
    for (const auto& timer : timers) {
        const int remaining = dispatcher->remainingTime(timer.timerId);
        if (remaining < least) {
            least = remaining;
            due = timer.timerId;
        }
    }
    QTimerEvent event(due);
    QCoreApplication::sendEvent(&engine, &event);
    return true;
}

// Lets the engine's pending wait end (and, with `all`, every other timer).
void LetTimePass(CMulticastDownload& engine, bool all)
{
    for (int fired = 0; fired < 8 && (all || engine.IsWaiting()); ++fired)
        if (!FireDueTimer(engine))
            break;
}

void CheckNotices(Notices& notices, std::size_t& seen, const CMulticastDownload& engine, const Watch& watch)
{
    for (; seen < notices.received.size(); ++seen) {
        const auto [message, result] = notices.received[seen];
        if (message != WM_DOWNLOAD_DONE && message != WM_DOWNLOAD_CANCELLED)
            continue;
        FUZZ_CHECK(engine.GetState() == CMulticastDownload::kIdle);
        FUZZ_CHECK(!engine.IsMasterOpen() && !engine.IsImageOpen());
        if (message == WM_DOWNLOAD_DONE && result == 1)
            FUZZ_CHECK(watch.verified && watch.finalStatusOk);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Files& files = Setup();
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    (void)played.TakeRequests();
    fuzz::InputReader input({data, size});
    const std::uint8_t options = input.Byte();
    g_answerYes = (options & 0x02) != 0;
    Watch watch;
    watch.pair = &files.pairs[options & 1];

    Notices notices;
    std::size_t seen = 0;
    CDownloadCounters::Program().Reset();
    auto* engine = new CMulticastDownload;
    engine->SetTarget({kUnitAddress, QStringLiteral("Local")});
    engine->AddWindow(&notices);
    engine->Register();
    FUZZ_CHECK(engine->StartDownload(watch.pair->masterPath));
    CheckRequests(played.TakeRequests(), watch, *engine);

    for (std::size_t n = 0; n < kMaxRecords && !input.Empty(); ++n) {
        const std::uint8_t flags = input.Byte();
        const auto record = input.Record();
        Bytes reply(record.begin(), record.end());
        if (flags & kLetTimePass)
            LetTimePass(*engine, true);
        else if (!(flags & kNoWait))
            LetTimePass(*engine, false);
        CheckRequests(played.TakeRequests(), watch, *engine);

        const int before = engine->GetState();
        watch.finalStatusOk = false;
        if (flags & (kFailure | kForeignFailure)) {
            played.Failure((flags & kForeignFailure) ? 0x841705 : 0x85118B);
        } else {
            if ((flags & kFitBlock) && reply.size() >= 10 && reply[2] == 0x8C) {
                reply[8] = static_cast<std::uint8_t>(watch.lastBlock >> 8);
                reply[9] = static_cast<std::uint8_t>(watch.lastBlock);
            }
            watch.finalStatusOk = before == CMulticastDownload::kFinalStatus && IsFinalStatusOk(reply);
            played.Reply(reply);
        }
        if (before == CMulticastDownload::kVerifying && engine->GetState() == CMulticastDownload::kEndSent)
            watch.verified = true;
        CheckRequests(played.TakeRequests(), watch, *engine);
        fuzz::DeliverPosted();
        CheckNotices(notices, seen, *engine, watch);
        if (engine->GetState() == CMulticastDownload::kIdle)
            break; // the download ended
    }

    // The dialog closing under way: the engine goes with it.
    engine->Unregister();
    delete engine;
    fuzz::DeliverPosted();
    for (const Bytes& request : played.TakeRequests())
        FUZZ_CHECK(request.size() >= 4 && request[0] == kDownloadClass);
    return 0;
}
