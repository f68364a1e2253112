#include "software/download/MulticastDownload.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "platform/UserPrompts.h"
#include "software/Crc16.h"
#include "software/DownloadMessages.h"
#include "software/download/DownloadAddress.h"
#include "software/download/DownloadChannel.h"
#include "software/download/DownloadReplies.h"
#include "software/download/DownloadTexts.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// The first two bytes of a lost request, as the handler packs its header.
constexpr MsgLParam kDownloadRequestMark = (MsgLParam{kDownloadClass} << 8) | kDownloadAddressing;

enum EStatus { kStatusDone = 0, kStatusRefused = 1, kStatusBusy = 2 };
// Version results of the version check.
enum EVersion { kNewVersion = 0, kSameVersion = 1, kVersionBusy = 2, kVersionNotAllowed = 3, kOlderVersion = 4,
                kVersionAccepted = 5 };
constexpr int kTftpAck = 4;
constexpr int kBusyLimit = 2;
constexpr int kVerifyBusyLimit = 11;

bool IsRemoteConnection(const CCommHandler* handler)
{
    return handler && IsRemote(handler->GetConnectionType());
}

} // namespace

CMulticastDownload::CMulticastDownload(QObject* parent) : CMulticastDownload(CDownloadCounters::Program(), parent) {}

CMulticastDownload::CMulticastDownload(CDownloadCounters& counters, QObject* parent)
    : CMessageTarget(parent), counters_(counters), chunkSize_(kDefaultChecksumChunkSize),
      multicastAddress_(kDefaultMulticastAddress)
{
    connect(&check_, &CSlicedChecksum::Finished, this, &CMulticastDownload::OnImageChecked);
}

CMulticastDownload::~CMulticastDownload()
{
    // Not leave the unit mid-transfer when the engine goes with its window.
    if (IsUnderWay())
        AbortDownload();
    Finish();
}

QString CMulticastDownload::GetImageFileName() const
{
    return FileNameWithoutDirectory(image_.fileName());
}

bool CMulticastDownload::SetChecksumChunkSize(int size)
{
    if (!IsValidChecksumChunkSize(size))
        return false;
    chunkSize_ = size;
    return true;
}

bool CMulticastDownload::FailStart(const QString& text)
{
    CloseFiles();
    errorText_ = text;
    qCWarning(lcFirmware, "download not started: %s", qPrintable(text));
    return false;
}

bool CMulticastDownload::StartDownload(const QString& masterPath)
{
    ending_ = 0;
    CCommHandler* handler = AppCommHandler();
    const bool remote = IsRemoteConnection(handler);
    // The connection as it is now: another unit may have been connected since
    // the last download.
    const std::string connection =
        remote && handler->GetDriver() ? handler->GetDriver()->GetConnectionString() : std::string();
    // Refusals before the files are opened leave a download under way alone.
    if (remote && IsChannelBelowDownloadChannel(connection)) {
        errorText_ = DownloadText::ChannelTooLow();
        return false;
    }
    if (state_ != kIdle || IsCheckingImage()) {
        errorText_ = DownloadText::AlreadyInProgress();
        return false;
    }
    if (!OpenMaster(masterPath))
        return false;
    if (!OpenImage(ImagePathBeside(masterPath, masterFile_.GetImageName())))
        return false;

    remote_ = remote;
    unitAddress_ = DownloadUnitAddress(remote, connection, target_.unitAddress);
    const std::optional<ESoftwareFileResult> checked = check_.Start(image_, imageHeader_, chunkSize_);
    if (!checked)
        return true; // OnImageChecked goes on
    if (*checked != ESoftwareFileResult::Ok)
        return FailStart(SoftwareFileResultText(*checked));
    return BeginDialogue();
}

bool CMulticastDownload::BeginDialogue()
{
    finalEmptyBlock_ = imageLength_ % kTftpBlockSize == 0;
    resumeOffset_ = 0;
    failureWindow_ = false;
    counters_.ClearSendFailures();
    StopTimers();
    state_ = kStartSent;
    SendText(kKindStart, DownloadCommand::kStart);
    return state_ != kIdle;
}

void CMulticastDownload::OnImageChecked(ESoftwareFileResult result)
{
    if (result == ESoftwareFileResult::Ok) {
        BeginDialogue();
        return;
    }
    FailStart(SoftwareFileResultText(result));
    emit StartFailed();
}

bool CMulticastDownload::OpenMaster(const QString& path)
{
    CloseFiles();
    master_.setFileName(path);
    if (path.isEmpty() || !master_.open(QIODevice::ReadOnly))
        return FailStart(SoftwareFileResultText(ESoftwareFileResult::OpenFailed));
    const ESoftwareFileResult result = masterFile_.Read(master_);
    if (result != ESoftwareFileResult::Ok)
        return FailStart(SoftwareFileResultText(result));
    return true;
}

bool CMulticastDownload::OpenImage(const QString& path)
{
    image_.setFileName(path);
    if (!image_.open(QIODevice::ReadOnly))
        return FailStart(SoftwareFileResultText(ESoftwareFileResult::OpenFailed));
    imageLength_ = image_.size();
    const ESoftwareFileResult result = imageHeader_.ReadHeader(image_);
    if (result != ESoftwareFileResult::Ok)
        return FailStart(SoftwareFileResultText(result));
    return true;
}

bool CMulticastDownload::AbortDownload()
{
    if (IsCheckingImage()) {
        // The unit has not heard of this download yet: nothing to tell it.
        check_.Cancel();
        CloseFiles();
        return true;
    }
    if (!IsUnderWay())
        return false;
    StopTimers();
    SendText(kKindEnd, DownloadCommand::kEnd);
    state_ = kIdle;
    Finish();
    return true;
}

MsgResult CMulticastDownload::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message == WM_DEVICE_MESSAGE)
        channel_.Dispatch(wParam, lParam);
    return 0;
}

void CMulticastDownload::OnUnitReply(const CDeviceMessage& reply)
{
    if (const auto address = DownloadReply::ReadMulticastAddress(reply))
        multicastAddress_ = *address;
    if (state_ == kIdle) {
        counters_.SetBusyRetries(0);
        return;
    }
    // While a request waits for its timer nothing is outstanding; a late
    // acknowledgement (of the final empty block) is no answer to it.
    if (IsWaiting())
        return;

    const DownloadReply::EKind kind = DownloadReply::KindOf(reply);
    if (kind == DownloadReply::EKind::NotDownload)
        return;
    const bool awaitsBlockReply = state_ == kMasterTransfer || state_ == kImageTransfer;
    if ((kind == DownloadReply::EKind::Tftp && !awaitsBlockReply) ||
        (kind == DownloadReply::EKind::Text && awaitsBlockReply))
        return;
    if (kind == DownloadReply::EKind::Unknown) {
        EndWithCode(kBadReply);
        return;
    }

    if (const int code = OnReplyInState(reply))
        EndWithCode(code);
}

int CMulticastDownload::OnReplyInState(const CDeviceMessage& reply)
{
    switch (state_) {
    case kStartSent: return OnStartEcho(reply);
    case kMasterTransfer: return OnMasterAck(reply);
    case kVersionCheck: return OnVersionResult(reply);
    case kStatusBeforeImage: return OnStatusBeforeImage(reply);
    case kTransferStartSent: return OnTransferStart(reply);
    case kImageTransfer: return OnImageAck(reply);
    case kVerifying: return OnVerification(reply);
    case kEndSent: return OnEndEcho(reply);
    case kFinalStatus: return OnFinalStatus(reply);
    default: return 0;
    }
}

int CMulticastDownload::OnStartEcho(const CDeviceMessage& reply)
{
    if (!DownloadReply::IsEchoOf(reply, DownloadCommand::kStart))
        return kBadReply;
    block_ = 0;
    bytesSent_ = 0;
    masterEndSent_ = false;
    state_ = kMasterTransfer;
    Send(kKindMasterWrite, BuildWriteRequest(unitAddress_, FileNameWithoutDirectory(master_.fileName())));
    return 0;
}

int CMulticastDownload::CheckAck(const CDeviceMessage& reply) const
{
    const auto packet = DownloadReply::ReadTftp(reply);
    if (!packet)
        return kBadReply;
    if (packet->opcode != kTftpAck)
        return kUnexpectedReply;
    if (packet->block != block_)
        return kBadReply;
    return 0;
}

int CMulticastDownload::OnMasterAck(const CDeviceMessage& reply)
{
    if (const int code = CheckAck(reply))
        return code;
    if (bytesSent_ < masterFile_.GetLength()) {
        if (!SendNextBlock(kKindMasterData))
            return kBadReply;
        return 0;
    }
    // A transfer ends with a block shorter than 506 bytes: a master file of
    // whole blocks gets an empty one, or the unit would wait for its end.
    if (masterFile_.GetLength() % kTftpBlockSize == 0 && !masterEndSent_) {
        masterEndSent_ = true;
        Send(kKindMasterData, BuildDataBlock(unitAddress_, ++block_, QByteArray()));
        return 0;
    }
    master_.close();
    state_ = kVersionCheck;
    SendAfter(kShortWaitMs, [this] {
        counters_.SetBusyRetries(0);
        SendText(kKindVersionCheck, DownloadCommand::kVersionCheck);
    });
    return 0;
}

void CMulticastDownload::BeginImageStatus()
{
    block_ = 0;
    bytesSent_ = 0;
    state_ = kStatusBeforeImage;
    SendText(kKindStatusQuery, DownloadCommand::kStatusQuery);
}

int CMulticastDownload::OnVersionResult(const CDeviceMessage& reply)
{
    const auto result = DownloadReply::ReadVersionResult(reply);
    if (!result)
        return kBadReply;
    switch (*result) {
    case kNewVersion:
    case kVersionAccepted:
        BeginImageStatus();
        return 0;
    case kSameVersion:
    case kOlderVersion: {
        const QString question =
            *result == kSameVersion ? DownloadText::VersionExists() : DownloadText::VersionOlder();
        if (ShowMessageBox(question, MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) {
            // The download may have been aborted while the question was open.
            if (state_ == kVersionCheck)
                BeginImageStatus();
            return 0;
        }
        if (state_ != kVersionCheck)
            return 0;
        state_ = kIdle;
        channel_.NotifyWindows(WM_DOWNLOAD_CANCELLED, 0);
        Finish();
        return 0;
    }
    case kVersionBusy:
        if (counters_.BusyRetries() >= kBusyLimit)
            return kBusyAtVersion;
        counters_.CountBusyRetry();
        SendAfter(kShortWaitMs, [this] { SendText(kKindVersionCheck, DownloadCommand::kVersionCheck); });
        return 0;
    case kVersionNotAllowed:
        return kVersionRefused;
    default:
        return kBadReply;
    }
}

int CMulticastDownload::OnStatusBeforeImage(const CDeviceMessage& reply)
{
    KillTimer(kFailureWindowTimerId);
    const auto held = DownloadReply::ReadStatusQuery(reply);
    if (!held)
        return kBadReply;
    switch (held->status) {
    case kStatusDone:
    case kStatusRefused:
        resumeOffset_ = held->bytesHeld;
        if (resumeOffset_ < imageLength_) {
            state_ = kTransferStartSent;
            SendTransferStart();
            return 0;
        }
        ShowMessageBox(DownloadText::NonRecoverable(), MsgIcon::Error, MsgButtons::Ok);
        return kBadReply;
    case kStatusBusy:
        if (counters_.BusyRetries() >= kBusyLimit)
            return kBusyTooLong;
        counters_.CountBusyRetry();
        SendAfter(kShortWaitMs, [this] { SendText(kKindStatusQuery, DownloadCommand::kStatusQuery); });
        return 0;
    default:
        return kBadReply;
    }
}

int CMulticastDownload::OnTransferStart(const CDeviceMessage& reply)
{
    const auto status = DownloadReply::ReadTransferStart(reply);
    if (!status)
        return kBadReply;
    switch (*status) {
    case kStatusDone:
        if (!image_.isOpen() || !image_.seek(resumeOffset_)) {
            EndWithCode(kBadReply, SoftwareFileResultText(ESoftwareFileResult::ReadError));
            return 0;
        }
        block_ = 0;
        bytesSent_ = resumeOffset_;
        // The last block of this transfer is empty when the bytes it carries
        // fill whole blocks; a resumed transfer counts from its offset.
        finalEmptyBlock_ = (imageLength_ - resumeOffset_) % kTftpBlockSize == 0;
        state_ = kImageTransfer;
        Send(kKindImageWrite, BuildWriteRequest(multicastAddress_, QString::fromLatin1(kImageTransferName)));
        return 0;
    case kStatusRefused:
        return kRefused;
    case kStatusBusy:
        SendAfter(kBusyStartWaitMs, [this] {
            counters_.SetBusyRetries(1);
            SendTransferStart();
        });
        return 0;
    default:
        return kBadReply;
    }
}

int CMulticastDownload::OnImageAck(const CDeviceMessage& reply)
{
    if (const int code = CheckAck(reply))
        return code;
    channel_.NotifyWindows(WM_DOWNLOAD_PROGRESS, static_cast<std::uint16_t>(bytesSent_ * 100 / imageLength_));
    if (bytesSent_ < imageLength_) {
        if (!SendNextBlock(kKindImageData))
            EndWithCode(kBadReply, SoftwareFileResultText(ESoftwareFileResult::ReadError));
        return 0;
    }
    if (finalEmptyBlock_) {
        finalEmptyBlock_ = false;
        Send(kKindImageData, BuildDataBlock(unitAddress_, ++block_, {}));
        if (state_ != kImageTransfer)
            return 0;
    }
    image_.close();
    state_ = kVerifying;
    SendAfter(kShortWaitMs, [this] { SendText(kKindStatusQuery, DownloadCommand::kStatusQuery); });
    return 0;
}

int CMulticastDownload::OnVerification(const CDeviceMessage& reply)
{
    const auto held = DownloadReply::ReadStatusQuery(reply);
    if (!held)
        return kBadReply;
    switch (held->status) {
    case kStatusDone:
        state_ = kEndSent;
        SendText(kKindEnd, DownloadCommand::kEnd);
        return 0;
    case kStatusRefused:
        return kRefused;
    case kStatusBusy:
        if (counters_.BusyRetries() >= kVerifyBusyLimit)
            return kBusyTooLong;
        counters_.CountBusyRetry();
        SendAfter(kVerifyWaitMs, [this] {
            SendText(kKindStatusQuery, DownloadCommand::kStatusQuery);
            channel_.NotifyWindows(WM_DOWNLOAD_VERIFYING, 1);
        });
        return 0;
    default:
        return kBadReply;
    }
}

int CMulticastDownload::OnEndEcho(const CDeviceMessage& reply)
{
    if (!DownloadReply::IsEchoOf(reply, DownloadCommand::kEnd))
        return kBadReply;
    state_ = kFinalStatus;
    SendText(kKindFinalStatus, DownloadCommand::kFinalStatus);
    return 0;
}

int CMulticastDownload::OnFinalStatus(const CDeviceMessage& reply)
{
    const auto status = DownloadReply::ReadFinalStatus(reply);
    if (!status)
        return kBadReply;
    switch (*status) {
    case kStatusDone:
        state_ = kIdle;
        Finish();
        channel_.NotifyWindows(WM_DOWNLOAD_DONE, 1);
        return 0;
    case kStatusBusy:
        if (counters_.BusyRetries() >= kBusyLimit)
            return kBusyTooLong;
        counters_.CountBusyRetry();
        SendAfter(kShortWaitMs, [this] { SendText(kKindFinalStatus, DownloadCommand::kFinalStatus); });
        return 0;
    default:
        return kUnexpectedReply;
    }
}

void CMulticastDownload::OnRequestLost(MsgLParam header)
{
    if (((header >> 8) & 0xFFFF) != kDownloadRequestMark || state_ == kIdle)
        return;
    if (state_ != kImageTransfer && state_ != kStatusBeforeImage) {
        EndWithCode(kSendFailed);
        return;
    }
    const int failures = counters_.CountSendFailure();
    if (failures == 1) {
        SetTimer(kFailureWindowTimerId, kFailureWindowMs);
        failureWindow_ = true;
    }
    const int limit = remote_ ? kRemoteFailureLimit : kLocalFailureLimit;
    qCWarning(lcFirmware, "download request %02X %02X %02X failed (%d of %d in a row allowed)",
              static_cast<unsigned>((header >> 16) & 0xFF), static_cast<unsigned>((header >> 8) & 0xFF),
              static_cast<unsigned>(header & 0xFF), failures, limit);
    if (!failureWindow_ || failures > limit) {
        EndWithCode(kBadReply);
        counters_.ClearSendFailures();
        return;
    }
    // The retry asks for the unit's status anyway; a request still waiting
    // to go out would only cross it.
    KillTimer(kWaitTimerId);
    pendingSend_ = nullptr;
    SetTimer(kRetryTimerId, kRetryMs);
}

void CMulticastDownload::OnTimer(int timerId)
{
    KillTimer(timerId); // each of them fires once
    switch (timerId) {
    case kRetryTimerId:
        if (IsUnderWay()) {
            state_ = kStatusBeforeImage;
            SendText(kKindStatusQuery, DownloadCommand::kStatusQuery);
        }
        break;
    case kFailureWindowTimerId:
        failureWindow_ = false;
        break;
    case kWaitTimerId:
        if (auto send = std::exchange(pendingSend_, nullptr))
            send();
        break;
    default:
        break;
    }
}

void CMulticastDownload::Send(EKind kind, std::optional<CDeviceMessage> request)
{
    lastKind_ = kind;
    if (!request) {
        // Only a request our own checks should have made impossible.
        EndWithCode(kBadReply);
        return;
    }
    channel_.Send(std::make_unique<CDeviceMessage>(std::move(*request)));
}

void CMulticastDownload::SendText(EKind kind, std::string_view command)
{
    Send(kind, BuildTextCommand(command));
}

void CMulticastDownload::SendTransferStart()
{
    STransferStart start;
    start.unitAddress = unitAddress_;
    start.remote = remote_;
    start.softwareName = masterFile_.GetSoftwareName();
    start.resumeOffset = resumeOffset_;
    Send(kKindTransferStart, BuildTransferStart(start));
}

bool CMulticastDownload::SendNextBlock(EKind kind)
{
    QByteArray data;
    if (kind == kKindMasterData) {
        data = masterFile_.GetContents().mid(static_cast<qsizetype>(bytesSent_), kTftpBlockSize);
    } else {
        const std::int64_t expected = std::min<std::int64_t>(imageLength_ - bytesSent_, kTftpBlockSize);
        data = image_.read(expected);
        if (data.size() != expected)
            return false;
    }
    bytesSent_ += data.size();
    Send(kind, BuildDataBlock(unitAddress_, ++block_, data));
    return true;
}

void CMulticastDownload::SendAfter(int waitMs, std::function<void()> send)
{
    pendingSend_ = std::move(send);
    SetTimer(kWaitTimerId, waitMs);
}

void CMulticastDownload::EndWithCode(int code, const QString& text)
{
    if (state_ == kIdle)
        return;
    // A lost request is named by its kind, taken before the end command below.
    const int number = code == kSendFailed ? lastKind_ : code;
    if (state_ == kVerifying && !verificationAbortSent_) {
        verificationAbortSent_ = true;
        StopTimers(); // the status query must not follow the end command
        SendText(kKindEnd, DownloadCommand::kEnd);
    }
    qCWarning(lcFirmware, "download failed in state %d (ending %d): %s", state_, number,
              qPrintable(!text.isEmpty() ? text : DownloadText::ForEnding(number)));
    state_ = kIdle;
    errorText_ = !text.isEmpty() ? text : DownloadText::ForEnding(number);
    ending_ = text.isEmpty() ? number : 0;
    Finish();
    channel_.NotifyWindows(WM_DOWNLOAD_DONE, 0);
}

void CMulticastDownload::Finish()
{
    check_.Cancel();
    CloseFiles();
    StopTimers();
    failureWindow_ = false;
}

void CMulticastDownload::CloseFiles()
{
    master_.close();
    image_.close();
}

void CMulticastDownload::StopTimers()
{
    KillTimer(kRetryTimerId);
    KillTimer(kFailureWindowTimerId);
    KillTimer(kWaitTimerId);
    pendingSend_ = nullptr;
}
