// Writes the fuzz targets' seed corpora from real exchanges: every request the
// tool's groups and status windows send is framed as the driver frames it,
// answered by the simulated unit through its gateway, and the reply framed
// back; the corpora hold those bytes in each target's input layout. Master
// files and images follow the release layout; work orders are copied from the
// tests.
//
//   qora-fuzz-seeds CORPUS_FOLDER [WORK_ORDER_FOLDER]

#include "PlayedHandler.h"
#include "FuzzSupport.h"

#include "app/ArchiveForm.h"
#include "data/constlog/ConstLogData.h"
#include "data/gps/GpsData.h"
#include "data/system/SystemData.h"
#include "data/system/UserData.h"
#include "data/timing/TimingData.h"
#include "data/version/VersionData.h"
#include "link/ServiceFraming.h"
#include "rks/RksFrame.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/UnitRegistry.h"
#include "software/Crc16.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
        const auto framed = ServiceFraming::FrameRequest(message, std::nullopt);
        if (!framed)
            return {};
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
    return 0;
}
