#pragma once
// The firmware download engine: checks a master file and the software image
// it names, then runs the fixed dialogue with the unit (a start command, the
// master file as a TFTP-style block transfer, a version check, the image to
// the multicast address, verification and two closing commands). Lost
// requests during the image transfer are survived by asking the unit how much
// it holds and resuming from there. Progress and the outcome go to the
// windows added with AddWindow as posted notices.
//
// Neither the start nor the waits between requests block the UI thread: a
// large image is checked in slices on the event loop, and a one-shot timer
// sends the next request when it fires; abort or any other ending cancels both.

#include "data/RequestChannel.h"
#include "platform/MessageTarget.h"
#include "software/MasterFile.h"
#include "software/SoftwareModule.h"
#include "software/download/DownloadCounters.h"
#include "software/download/DownloadTarget.h"
#include "software/download/SlicedChecksum.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class CMulticastDownload : public CMessageTarget, private IReplyListener {
    Q_OBJECT
public:
    enum EState {
        kIdle = 0,
        kStartSent = 2,
        kMasterTransfer = 3,
        kVersionCheck = 4,
        kImageTransfer = 8,
        kEndSent = 10,
        kStatusBeforeImage = 11,
        kVerifying = 12,
        kTransferStartSent = 14,
        kFinalStatus = 17,
    };

    // Kinds of the messages sent; a lost request's kind goes into the error text.
    enum EKind {
        kKindStart = 14,
        kKindMasterWrite = 15,
        kKindMasterData = 16,
        kKindVersionCheck = 17,
        kKindImageWrite = 19,
        kKindImageData = 20,
        kKindEnd = 21,
        kKindFinalStatus = 22,
        kKindStatusQuery = 24,
        kKindTransferStart = 25,
    };

    // Result codes of an ending.
    enum EResult {
        kSendFailed = -1,
        kBadReply = 2,
        kRefused = 3,
        kVersionRefused = 5,
        kBusyAtVersion = 6,
        kUnexpectedReply = 7,
        kBusyTooLong = 12,
    };

    static constexpr int kRetryTimerId = 2;
    static constexpr int kFailureWindowTimerId = 3;
    static constexpr int kWaitTimerId = 4;
    static constexpr int kRetryMs = 10'000;
    static constexpr int kFailureWindowMs = 120'000;
    static constexpr int kShortWaitMs = 500;
    static constexpr int kVerifyWaitMs = 5'000;
    static constexpr int kBusyStartWaitMs = 10'000;
    static constexpr int kLocalFailureLimit = 3;
    static constexpr int kRemoteFailureLimit = 12;

    // The engine counts with the program's shared counters unless given others.
    explicit CMulticastDownload(QObject* parent = nullptr);
    explicit CMulticastDownload(CDownloadCounters& counters, QObject* parent = nullptr);
    ~CMulticastDownload() override;
    CMulticastDownload(const CMulticastDownload&) = delete;
    CMulticastDownload& operator=(const CMulticastDownload&) = delete;

    void SetTarget(const SDownloadTarget& target) { target_ = target; }
    [[nodiscard]] const SDownloadTarget& GetTarget() const { return target_; }

    // Checks both files and sends the start command; false with the error
    // text set when the download cannot start. An image too large to check at
    // once is checked on the event loop (IsCheckingImage) and the start
    // command follows; when that check fails, StartFailed is emitted with the
    // error text set, just as a false here would have reported it.
    bool StartDownload(const QString& masterPath);
    // Ends a download under way (sends the end command) or the image check of
    // its start (nothing was sent yet); false when there was neither.
    bool AbortDownload();
    // An even size from 128 to 256; anything else is refused and the old size kept.
    bool SetChecksumChunkSize(int size);
    [[nodiscard]] const QString& GetErrorText() const { return errorText_; }
    // The number the last download ended with, as its error text names it:
    // the result code, or the kind of the message that got no reply; 0 when
    // it did not end so (its text then says all).
    [[nodiscard]] int GetEnding() const { return ending_; }

    [[nodiscard]] int GetState() const { return state_; }
    // StartDownload left the image check running on the event loop.
    [[nodiscard]] bool IsCheckingImage() const { return check_.IsRunning(); }
    [[nodiscard]] bool IsUnderWay() const { return state_ >= 2 && state_ <= 15; }
    // A request waits for its timer before going out.
    [[nodiscard]] bool IsWaiting() const { return IsTimerRunning(kWaitTimerId); }
    [[nodiscard]] bool IsMasterOpen() const { return master_.isOpen(); }
    [[nodiscard]] bool IsImageOpen() const { return image_.isOpen(); }
    [[nodiscard]] bool IsFailureWindowOpen() const { return failureWindow_; }
    [[nodiscard]] int GetChecksumChunkSize() const { return chunkSize_; }
    [[nodiscard]] std::uint16_t GetMulticastAddress() const { return multicastAddress_; }
    [[nodiscard]] std::uint32_t GetResumeOffset() const { return resumeOffset_; }
    // The unit address the commands of the last started download name.
    [[nodiscard]] std::uint16_t GetUnitAddress() const { return unitAddress_; }
    // The image file's name without its directory.
    [[nodiscard]] QString GetImageFileName() const;

    [[nodiscard]] CDownloadCounters& Counters() const { return counters_; }

    // Windows notified of progress and the outcome; registering makes the
    // engine a listener of the application's handler.
    void AddWindow(CMessageTarget* window) { channel_.AddWindow(window); }
    void Register() { channel_.Register(); }
    void Unregister() { channel_.Unregister(); }
    [[nodiscard]] CRequestChannel& Channel() { return channel_; }

signals:
    // The image check StartDownload left running failed; GetErrorText says why.
    void StartFailed();

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    bool FailStart(const QString& text);
    bool OpenMaster(const QString& path);
    bool OpenImage(const QString& path);
    // The start once the image passed its check: the start command.
    bool BeginDialogue();
    void OnImageChecked(ESoftwareFileResult result);

    void OnUnitReply(const CDeviceMessage& reply) override;
    void OnRequestLost(MsgLParam header) override;
    // Each returns the result code: 0 when the download goes on.
    int OnReplyInState(const CDeviceMessage& reply);
    int OnStartEcho(const CDeviceMessage& reply);
    int OnMasterAck(const CDeviceMessage& reply);
    int OnVersionResult(const CDeviceMessage& reply);
    int OnStatusBeforeImage(const CDeviceMessage& reply);
    int OnTransferStart(const CDeviceMessage& reply);
    int OnImageAck(const CDeviceMessage& reply);
    int OnVerification(const CDeviceMessage& reply);
    int OnEndEcho(const CDeviceMessage& reply);
    int OnFinalStatus(const CDeviceMessage& reply);
    // The acknowledged block must be the last one sent: 0, or the code to end with.
    int CheckAck(const CDeviceMessage& reply) const;
    // Version results 0 and 5, and a Yes at the question.
    void BeginImageStatus();

    void Send(EKind kind, std::optional<CDeviceMessage> request);
    void SendText(EKind kind, std::string_view command);
    void SendTransferStart();
    // The next data block of the file under way; false when it cannot be read.
    bool SendNextBlock(EKind kind);
    // Sends after the (scaled) wait, unless the download ends first.
    void SendAfter(int waitMs, std::function<void()> send);

    void EndWithCode(int code, const QString& text = {});
    // Every way out: files closed, timers and a pending send cancelled.
    void Finish();
    void CloseFiles();
    void StopTimers();

    CDownloadCounters& counters_;
    CRequestChannel channel_{*this, *this};
    CSlicedChecksum check_;
    SDownloadTarget target_;
    std::uint16_t unitAddress_ = 0;
    int state_ = kIdle;
    bool remote_ = false;
    QFile master_;
    QFile image_;
    CMasterFile masterFile_;
    CSoftwareModule imageHeader_;
    std::int64_t imageLength_ = 0;
    std::uint16_t block_ = 0;
    std::int64_t bytesSent_ = 0;
    bool finalEmptyBlock_ = false;
    bool masterEndSent_ = false; // the empty block after a master file of whole blocks
    int lastKind_ = 0;
    int ending_ = 0;
    int chunkSize_;
    QString errorText_;
    std::uint32_t resumeOffset_ = 0;
    std::uint16_t multicastAddress_;
    bool failureWindow_ = false;
    bool verificationAbortSent_ = false;
    std::function<void()> pendingSend_;
};
