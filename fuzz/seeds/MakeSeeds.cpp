// Writes the fuzz targets' seed corpora from real exchanges: every request the
// tool's groups and status windows send is framed as the driver frames it,
// answered by the simulated unit through its gateway, and the reply framed
// back; the corpora hold those bytes in each target's input layout. Master
// files and images follow the release layout; work orders are copied from the
// tests.
//
//   qora-fuzz-seeds CORPUS_FOLDER [WORK_ORDER_FOLDER]

#include "DownloadPair.h"
#include "PlayedHandler.h"
#include "FuzzSupport.h"

#include "settings/ArchiveForm.h"
#include "data/constlog/ConstLogData.h"
#include "data/gps/GpsData.h"
#include "data/system/SystemData.h"
#include "data/system/UserData.h"
#include "data/timing/TimingData.h"
#include "data/version/VersionData.h"
#include "commissioning/procedure/CommissionData.h"
#include "link/CommHandler.h"
#include "platform/TimerScale.h"
#include "platform/UserPrompts.h"
#include "software/activation/SoftwareActivation.h"
#include "software/download/MulticastDownload.h"
#include "link/ServiceFraming.h"
#include "rks/RksFrame.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/UnitRegistry.h"
#include "software/Crc16.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kConnection[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

QDir g_root;

void Write(const QString& target, const QString& name, const Bytes& bytes)
{
    g_root.mkpath(target);
    QFile file(g_root.filePath(target + u'/' + name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

void Append(Bytes& to, std::span<const std::uint8_t> bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

void AppendWord(Bytes& to, std::size_t value)
{
    to.push_back(static_cast<std::uint8_t>(value >> 8));
    to.push_back(static_cast<std::uint8_t>(value));
}

Bytes Framed(const Bytes& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    Bytes frame = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    Append(frame, body);
    return frame;
}

// The simulated unit behind its gateway, and everything that passed.
class Unit {
public:
    Unit() : dispatcher_(registry_, sim::FaultOptions{})
    {
        registry_.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131});
        Bytes open = {sim::kKindOpen, 0, 0};
        Append(open, std::span(reinterpret_cast<const std::uint8_t*>(kConnection), sizeof kConnection - 1));
        Body(open);
    }

    // One body to the gateway; the reply frame.
    Bytes Body(const Bytes& body)
    {
        Bytes out;
        dispatcher_.Handle(session_, body, out);
        bodies.push_back(body);
        if (!out.empty())
            replyFrames.push_back(out);
        return out;
    }

    // A tool request as the driver sends it; the reply as the driver queues it
    // (empty when there is none).
    Bytes Request(const Bytes& request)
    {
        CDeviceMessage message;
        message.AppendBytes(request.data(), static_cast<std::int32_t>(request.size()));
        const auto framed = ServiceFraming::FrameRequest(message, downloadRoute);
        if (!framed)
            return {};
        transfers.push_back({framed->route.value_or(std::string()), framed->bytes});
        Bytes raw = Transfer(framed->route.value_or(std::string()), framed->bytes);
        if (raw.empty())
            return {};
        rawReplies.push_back({{request[0], request[1], request[2]}, raw});
        const auto reply = ServiceFraming::FrameReply(request[0], request[1], request[2], raw);
        if (!reply)
            return {};
        return Bytes(reply->GetData(), reply->GetData() + reply->GetLength());
    }

    Bytes Transfer(const std::string& route, const Bytes& request)
    {
        Bytes body = {sim::kKindTransfer, std::uint8_t(++seq_ >> 8), std::uint8_t(seq_), std::uint8_t(route.size())};
        body.insert(body.end(), route.begin(), route.end());
        Append(body, request);
        const Bytes frame = Body(body);
        const auto reply = RksParseReply(std::span(frame).subspan(std::min<std::size_t>(4, frame.size())));
        if (!reply || reply->result != 0)
            return {};
        return Bytes(reply->bytes.begin(), reply->bytes.end());
    }

    struct RawReply {
        Bytes header; // class, addressing byte, opcode of the request
        Bytes raw;
    };
    // The route of download data blocks; none (the null route) until a
    // download is played.
    std::optional<std::string> downloadRoute;
    struct Sent {
        std::string route;
        Bytes bytes;
    };
    std::vector<Sent> transfers; // what the unit received, as the service hands it over
    std::vector<Bytes> bodies;
    std::vector<Bytes> replyFrames;
    std::vector<RawReply> rawReplies;

private:
    sim::CUnitRegistry registry_;
    sim::CGatewayDispatcher dispatcher_;
    sim::SessionState session_;
    std::uint16_t seq_ = 0;
};

// A group's whole read (or write) against the unit: the data group target's
// input that replays it.
Bytes PlayGroup(Unit& unit, std::uint8_t choice, const std::function<std::unique_ptr<CDataClass>()>& make,
                bool write)
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    auto group = make();
    group->Register();
    if (write)
        group->WriteAll();
    else
        group->ReadAll();
    Bytes seed = {choice};
    for (int step = 0; step < 16; ++step) {
        const auto requests = played.TakeRequests();
        if (requests.empty())
            break;
        for (const Bytes& request : requests) {
            const Bytes reply = unit.Request(request);
            seed.push_back(0);
            AppendWord(seed, reply.size());
            Append(seed, reply);
            played.Reply(reply);
        }
    }
    group->Unregister();
    return seed;
}

void DataGroups(Unit& unit)
{
    using Make = std::function<std::unique_ptr<CDataClass>()>;
    const std::vector<std::tuple<QString, std::uint8_t, Make, bool>> plays = {
        {"gps-read", 0, [] { return std::make_unique<CGPSData>(); }, false},
        {"version-read", 1, [] { return std::make_unique<CVersionData>(); }, false},
        {"clock-timing-read", 3, [] { return std::make_unique<CClockTimingData>(); }, false},
        {"clock-timing-write", 0x83, [] { return std::make_unique<CClockTimingData>(); }, true},
        {"rf-read", 4, [] { return std::make_unique<CRFData>(); }, false},
        {"system-read", 5, [] { return std::make_unique<CSystemData>(); }, false},
        {"system-write", 0x85, [] { return std::make_unique<CSystemData>(); }, true},
        {"user-read", 6, [] { return std::make_unique<CUserData>(); }, false},
        {"user-write", 0x86, [] {
             auto user = std::make_unique<CUserData>();
             user->SetName("Field engineer");
             user->SetComments("Antenna on the mast,\r\ncable 25 m");
             user->SetDate({2009, 3, 5});
             return user;
         }, true},
    };
    for (const auto& [name, choice, make, write] : plays)
        Write("data_group_replies", name, PlayGroup(unit, choice, make, write));

    // The constellation log asks only in commission mode: its two requests by hand.
    Bytes constLog = {2};
    for (std::uint8_t opcode : {CConstLogData::kOpPosition, CConstLogData::kOpStatistics}) {
        const Bytes reply = unit.Request({CConstLogData::kClass, CConstLogData::kAddress, opcode, 0, 0});
        constLog.push_back(0);
        AppendWord(constLog, reply.size());
        Append(constLog, reply);
    }
    Write("data_group_replies", "constlog", constLog);
}

void StatusWindows(Unit& unit)
{
    const std::vector<std::tuple<QString, std::uint8_t, Bytes>> windows = {
        {"gps-status", 0, {0x83, 0x01, 0x12, 0, 0}},
        {"install-status", 1, {0x84, 0x03, 0x1B}},
        {"constellation-statistics", 2, {0x83, 0x13, 0x27, 0, 0}},
    };
    for (const auto& [name, choice, request] : windows) {
        const Bytes reply = unit.Request(request);
        Bytes seed = {choice};
        if (choice == 0)
            seed.push_back(1); // metric
        AppendWord(seed, reply.size());
        Append(seed, reply);
        Write("status_replies", name, seed);
        // The same reply after a failed request, then once more.
        seed.insert(seed.begin() + (choice == 0 ? 2 : 1), {0xFF, 0xFF});
        AppendWord(seed, reply.size());
        Append(seed, reply);
        Write("status_replies", name + "-after-failure", seed);
    }
}

void Framing(Unit& unit)
{
    // The identity probe on its own route.
    const Bytes identity = unit.Transfer(ServiceFraming::kIdentityRoute, {ServiceFraming::kIdentityProbe});
    unit.rawReplies.push_back({{0x84, 0x00, 0x00}, identity});
    // A reset, and download replies that come without the reply mark.
    unit.Request({0x86, 0x00, 0x36, 0, 0});
    unit.rawReplies.push_back({{0x85, 0x00, ServiceFraming::kDownloadData}, {0x00, 0x04, 0x00, 0x01}});
    unit.rawReplies.push_back({{0x85, 0x00, ServiceFraming::kDownloadText}, {'O', 'K', 0}});
    unit.rawReplies.push_back({{0x84, 0x07, 0x17}, {ServiceFraming::kReplyMark, ServiceFraming::kNegativeAck}});

    std::map<Bytes, int> seen;
    for (const auto& [header, raw] : unit.rawReplies) {
        static const std::map<std::uint8_t, std::uint8_t> classIndex = {{0x83, 0}, {0x84, 1}, {0x85, 2}, {0x86, 3}};
        Bytes seed = {classIndex.at(header[0]), header[1], header[2]};
        Append(seed, raw);
        if (seen[seed]++)
            continue;
        char name[32];
        std::snprintf(name, sizeof name, "%02x%02x%02x-%zu", header[0], header[1], header[2], seen.size());
        Write("service_framing", QString::fromLatin1(name), seed);
    }
}

void LinkStreams(Unit& unit)
{
    // Replies as the tool's link reads them: all in one stream, and one frame
    // at a time in small reads.
    Bytes all = {0};
    for (const Bytes& frame : unit.replyFrames)
        Append(all, frame);
    Write("rks_frames", "session", all);
    for (std::size_t i = 0; i < unit.replyFrames.size(); i += 7) {
        Bytes one = {std::uint8_t(1 + i % 40)};
        Append(one, unit.replyFrames[i]);
        Write("rks_frames", QStringLiteral("reply-%1").arg(i), one);
    }

    // Requests as the simulator reads them, and as the gateway takes them.
    Bytes requests = {0};
    for (const Bytes& body : unit.bodies)
        Append(requests, Framed(body));
    Write("sim_frames", "session", requests);
    Bytes chunked = {0x2B};
    Append(chunked, std::span(requests).subspan(1, std::min<std::size_t>(requests.size() - 1, 400)));
    Write("sim_frames", "session-in-pieces", chunked);

    Bytes gateway;
    std::size_t part = 0;
    for (std::size_t i = 0; i < unit.bodies.size(); ++i) {
        // Each seed starts with the OPEN so that its transfers reach the unit.
        if (gateway.empty() && i != 0) {
            gateway.push_back(0);
            AppendWord(gateway, unit.bodies[0].size());
            Append(gateway, unit.bodies[0]);
        }
        gateway.push_back(0);
        AppendWord(gateway, unit.bodies[i].size());
        Append(gateway, unit.bodies[i]);
        if (gateway.size() > 600 || i + 1 == unit.bodies.size()) {
            Write("sim_gateway", QStringLiteral("session-%1").arg(part++), gateway);
            gateway.clear();
        }
    }
    Write("sim_gateway", "close", {0, 0, 3, sim::kKindClose, 0, 9});
}

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(Bytes& bytes, std::size_t at, std::string_view text)
{
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void SoftwareFiles()
{
    // A master file: the mark, the record offset, one software entry naming
    // the image and the software.
    constexpr std::size_t kRecord = 100;
    Bytes master(kRecord + 140, 0x5A);
    std::fill(master.begin(), master.begin() + 16, 0);
    PutText(master, 0, "q1swdl10");
    PutLe32(master, 84, kRecord);
    master[kRecord + 88] = 1;
    PutText(master, kRecord + 89, std::string_view("QORA_R12.IMG\0", 13));
    PutText(master, kRecord + 105, std::string_view("QORA R12\0", 9));
    Bytes seed = {0, 0};
    Append(seed, master);
    Write("software_files", "master", seed);

    // An image whose header takes all three reads (44, then 104, then 120
    // bytes), with the checksum of the rest in front.
    Bytes image(120, 0x11);
    PutLe32(image, 32, 0);
    PutLe32(image, 36, 0);
    PutLe32(image, 40, 60);
    PutLe32(image, 100, 16);
    Bytes body(200);
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<std::uint8_t>(i * 37 + 11);
    PutLe32(image, 0, Crc16Xmodem(0, body.data(), body.size()));
    Append(image, body);
    seed = {1, 3};
    Append(seed, image);
    Write("software_files", "image", seed);
}

void ArchiveForms()
{
    const std::vector<std::vector<std::uint32_t>> arrays = {{}, {60, 80, 80, 120, 70}, {100, 250, 90}};
    int n = 0;
    for (const auto& values : arrays) {
        const QByteArray bytes = DwordArrayToArchive(values);
        Write("archive_form", QStringLiteral("widths-%1").arg(n++), Bytes(bytes.begin(), bytes.end()));
    }
    Write("archive_form", "long-count", {0xFF, 0xFF, 0x01, 0, 0, 0, 0x40, 0, 0, 0});
}

void WorkOrders(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray xml = file.readAll();
        Bytes seed = {1}; // the second unit where there are several
        seed.insert(seed.end(), xml.begin(), xml.end());
        Write("work_order", QFileInfo(name).completeBaseName(), seed);
    }
}


// One record of the reply targets: flags, 16-bit length, reply.
void AppendRecord(Bytes& seed, std::uint8_t flags, const Bytes& reply)
{
    seed.push_back(flags);
    AppendWord(seed, reply.size());
    Append(seed, reply);
}

// Each request the played handler holds goes to the unit; its reply is
// recorded and handed back. Returns how many requests there were.
std::size_t AnswerRequests(Unit& unit, Bytes& seed, const std::function<bool(const Bytes&)>& lose = {})
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    const auto requests = played.TakeRequests();
    // After a lost request the engine retries from a timer: the target lets
    // time pass (flag 0x08) before the next reply.
    static bool afterLoss = false;
    for (const Bytes& request : requests) {
        if (lose && lose(request)) {
            afterLoss = true;
            AppendRecord(seed, 0x04, {});
            CDeviceMessage message;
            message.AppendBytes(request.data(), static_cast<std::int32_t>(request.size()));
            played.Failure(ServiceFraming::PackedHeader(message));
            continue;
        }
        const Bytes reply = unit.Request(request);
        AppendRecord(seed, std::exchange(afterLoss, false) ? 0x08 : 0, reply);
        played.Reply(reply);
    }
    return requests.size();
}

// The download engine through a whole download against the unit; `lose`
// picks requests that get lost instead of answered.
Bytes PlayDownload(Unit& unit, const QDir& folder, std::uint8_t options,
                   const std::function<bool(const Bytes&)>& lose = {})
{
    fuzz::DownloadPair pair;
    if (!fuzz::WriteDownloadPair(folder, options & 1, pair)) {
        std::fprintf(stderr, "cannot write the download pair\n");
        std::exit(1);
    }
    unit.downloadRoute = ServiceFraming::ChooseDownloadRoute(kConnection);
    Bytes seed = {options};
    CDownloadCounters::Program().Reset();
    CMulticastDownload engine;
    engine.SetTarget({131, QStringLiteral("Local")});
    engine.Register();
    if (!engine.StartDownload(pair.masterPath)) {
        std::fprintf(stderr, "download does not start: %s\n", qPrintable(engine.GetErrorText()));
        std::exit(1);
    }
    for (int step = 0; step < 400 && engine.GetState() != CMulticastDownload::kIdle; ++step) {
        if (AnswerRequests(unit, seed, lose) == 0) {
            const QDeadlineTimer deadline(200);
            while (!deadline.hasExpired() && fuzz::PlayedHandler::Instance().Handler().SendQueueLength() == 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    engine.Unregister();
    unit.downloadRoute.reset();
    return seed;
}

void Downloads(Unit& unit)
{
    SetTimerScale(1e-9);
    SetMessageBoxFunction([](const MessageBoxRequest&) { return MsgAnswer::Yes; });
    QTemporaryDir dir;
    const QDir folder(dir.path());
    // The second download of the same firmware meets the version question.
    Write("download_replies", "short-last-block", PlayDownload(unit, folder, 0));
    Write("download_replies", "whole-blocks", PlayDownload(unit, folder, 1 | 2));
    Write("download_replies", "same-version-again", PlayDownload(unit, folder, 2));
    // Lost data blocks in the middle of the image: the engine asks what the unit holds and resumes.
    // Block 3 is always the image's: the master file takes one block.
    bool lost = false;
    Write("download_replies", "lost-and-resumed", PlayDownload(unit, folder, 2, [&lost](const Bytes& request) {
        const bool third = request.size() > 11 && request[2] == 0x8B && request[7] == 0 && request[8] == 3 &&
                           request[9] == 0 && request[10] == 3;
        return third && !std::exchange(lost, true);
    }));
    fuzz::SilencePrompts();
}

void Activation(Unit& unit)
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    (void)played.TakeRequests(); // what the download left
    Bytes seed;
    CSoftwareActivation group;
    group.Register();
    group.Read();
    for (const Bytes& request : played.TakeRequests()) {
        const Bytes reply = unit.Request(request);
        AppendRecord(seed, 0x01, reply); // the read first, then its reply
        played.Reply(reply);
    }
    Write("activation_replies", "read-names", seed);
    group.Activate(group.GetInactiveName());
    for (const Bytes& request : played.TakeRequests()) {
        const Bytes reply = unit.Request(request);
        AppendRecord(seed, 0x02, reply);
        played.Reply(reply);
    }
    group.Unregister();
    Write("activation_replies", "read-and-activate", seed);
}

void Commissioning(Unit& unit)
{
    const std::vector<std::pair<QString, QString>> runs = {{"commission", "Field engineer"},
                                                           {"commission-again", QString()}};
    for (const auto& [name, user] : runs) {
        SCommissionValues values;
        values.latitude = 60.1699;
        values.longitude = 24.9384;
        values.altitudeCm = 1520;
        values.userName = user;
        values.comments = QStringLiteral("Antenna on the mast");
        values.year = 2009;
        values.month = 3;
        values.day = 5;
        const QByteArray userBytes = user.toLatin1();
        Bytes seed = {0};
        AppendWord(seed, static_cast<std::size_t>(userBytes.size()));
        Append(seed, Bytes(userBytes.begin(), userBytes.end()));
        CCommissionData group;
        group.Register();
        group.SetCommissionValues(values);
        group.WriteWithLeadingCommand();
        for (int step = 0; step < 8 && AnswerRequests(unit, seed) != 0; ++step) {
        }
        group.Unregister();
        Write("commission_replies", name, seed);
    }
}

void Reports(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray xml = file.readAll();
        // A successful run, the second unit, an installer's name with markup in it.
        const std::string user = "O'Brien & <Sons>";
        const std::string comments = "Cable 25 m\r\nmast";
        Bytes seed = {0x03};
        AppendWord(seed, user.size());
        Append(seed, Bytes(user.begin(), user.end()));
        AppendWord(seed, comments.size());
        Append(seed, Bytes(comments.begin(), comments.end()));
        seed.insert(seed.end(), xml.begin(), xml.end());
        Write("report_writer", QFileInfo(name).completeBaseName(), seed);
    }
}

// What the unit received in the plays above, in the simulator target's layout,
// one seed per run of requests of each kind.
void SimFirmware(Unit& unit)
{
    auto routeIndex = [](const std::string& route) -> std::uint8_t {
        if (route.empty())
            return 0;
        if (route == sim::kDownloadRoute)
            return 1;
        if (route == sim::kDownloadRouteLong)
            return 2;
        return 3;
    };
    Bytes download, commissioning;
    for (const auto& [route, bytes] : unit.transfers) {
        const bool downloadRequest = !route.empty() || (!bytes.empty() && bytes[0] == 'M');
        const bool commissionRequest = bytes.size() >= 4 && bytes[0] == sim::kServiceRequest &&
                                       ((bytes[1] == sim::kOpCommand && bytes.size() == 4) ||
                                        (bytes[1] == sim::kOpWrite && bytes[2] == 0x90));
        Bytes& seed = downloadRequest ? download : commissioning;
        if (!downloadRequest && !commissionRequest)
            continue;
        seed.push_back(routeIndex(route));
        AppendWord(seed, bytes.size());
        Append(seed, bytes);
        if (downloadRequest && download.size() > 6000) {
            Write("sim_firmware", QStringLiteral("download-%1").arg(unit.transfers.size()), download);
            download.clear();
        }
    }
    if (!download.empty())
        Write("sim_firmware", "download-end", download);
    Write("sim_firmware", "commissioning", commissioning);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: qora-fuzz-seeds CORPUS_FOLDER [WORK_ORDER_FOLDER]\n");
        return 2;
    }
    fuzz::EnsureApplication();
    g_root = QDir(QString::fromLocal8Bit(argv[1]));
    g_root.mkpath(QStringLiteral("."));

    Unit unit;
    DataGroups(unit);
    StatusWindows(unit);
    Framing(unit);
    LinkStreams(unit);
    SoftwareFiles();
    ArchiveForms();
    if (argc > 2)
        WorkOrders(QString::fromLocal8Bit(argv[2]));
    // Plays that send more than the groups above; their own corpora.
    Unit more;
    more.transfers.clear();
    Downloads(more);
    Commissioning(more);
    Activation(more); // last: the unit restarts after it
    SimFirmware(more);
    if (argc > 2)
        Reports(QString::fromLocal8Bit(argv[2]));
    return 0;
}
