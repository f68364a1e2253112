#pragma once
// The traffic table: two rows for every exchange, the request going to the
// unit and the answer coming back, over a traffic ring. The driver thread
// only ever touches the ring; this model catches up with it on a timer in the
// GUI thread, a batch at a time, so a firmware download of thousands of
// exchanges a second never holds the window up. Also shows a recording read
// from a file, read only.

#include "traffic/TrafficRing.h"

#include <QAbstractTableModel>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class CTrafficTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum EColumn { TimeColumn, DirectionColumn, RouteColumn, SummaryColumn, BytesColumn, ResultColumn,
                   RoundTripColumn, ColumnCount };
    static constexpr int kCatchUpIntervalMs = 150;

    // Follows the live ring, which must outlive the model.
    explicit CTrafficTableModel(CTrafficRing& ring, QObject* parent = nullptr);
    // Shows a recording, read only.
    explicit CTrafficTableModel(std::vector<STrafficExchange> recording, QObject* parent = nullptr);
    ~CTrafficTableModel() override;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

    [[nodiscard]] bool IsLive() const { return live_; }
    // Takes in what the ring gained and lets go of what it dropped; the timer
    // calls it, tests may too. Works for a few milliseconds at most and comes
    // back soon when more is waiting.
    void CatchUp();
    // The view stops following; the ring keeps recording. Live only.
    void SetPaused(bool paused);
    [[nodiscard]] bool IsPaused() const { return paused_; }
    // Empties the ring and the table. Live only.
    void Clear();

    // Case-insensitive, over summary, route, result and the bytes in hex
    // ("90 04" or "9004" finds those bytes); both rows of a matching exchange
    // show. Empty shows everything.
    void SetFilter(const QString& text);
    [[nodiscard]] QString Filter() const { return filter_; }

    // Exchanges the table holds (matching or not).
    [[nodiscard]] std::size_t ExchangeCount() const { return entries_.size(); }
    // The exchange behind a row, or none when the ring no longer holds it.
    [[nodiscard]] std::optional<STrafficExchange> ExchangeAt(int row) const;
    [[nodiscard]] static bool IsRequestRow(int row) { return row % 2 == 0; }
    // The rows as the table shows them, tab-separated, after a header line.
    [[nodiscard]] QString RowsAsText(std::vector<int> rows) const;
    // The words of the result column: "OK", "2 - unit did not answer", or
    // "failed" for a failure without a result code.
    [[nodiscard]] static QString ResultText(const STrafficExchange& exchange);

signals:
    // After a batch came in (rows may or may not have been added).
    void CaughtUp();

private:
    // What a row shows of its exchange, worked out once when it comes in; the
    // bytes stay in the ring.
    struct SEntry {
        std::uint64_t number = 0; // running number in the ring
        std::int64_t timeMs = 0;
        std::int64_t rttMs = 0;
        QString request; // summaries of the two rows
        QString reply;
        QString route;
        std::int32_t requestBytes = 0;
        std::int32_t replyBytes = -1; // none: no reply came back
        ETrafficKind kind = ETrafficKind::Transfer;
        std::uint8_t result = 0;
        bool failed = false;
    };

    void Ingest(const std::vector<STrafficExchange>& exchanges);
    [[nodiscard]] SEntry MakeEntry(std::uint64_t number, const STrafficExchange& exchange) const;
    void DropBefore(std::uint64_t number);
    void Rebuild();
    [[nodiscard]] bool Matches(const SEntry& entry) const;
    [[nodiscard]] const SEntry* EntryForRow(int row) const;
    [[nodiscard]] QString CellText(const SEntry& entry, bool request, int column) const;

    CTrafficRing* ring_;
    std::unique_ptr<CTrafficRing> ownRing_; // a recording's exchanges
    bool live_;
    bool paused_ = false;
    QTimer timer_;

    std::deque<SEntry> entries_;      // oldest first
    std::uint64_t entriesRemoved_ = 0; // entries let go from the front, for the positions below
    std::uint64_t next_ = 0;          // running number of the next exchange to take in
    std::uint64_t clears_ = 0;        // the ring's clears when next_ was counted
    QString filter_;
    std::vector<std::uint8_t> hexNeedle_; // nibbles; empty when the filter is not hex
    bool filtering_ = false;
    std::deque<std::uint64_t> matches_; // positions (entriesRemoved_ + index) of matching entries
};

// Offset, 16 bytes in hex, and the printable ones as text, one line each.
[[nodiscard]] QString HexDump(std::span<const std::uint8_t> bytes);
// Bytes as spaced hex pairs: "53 54 01".
[[nodiscard]] QString HexBytes(std::span<const std::uint8_t> bytes);
// The detail pane's text: the summary, when, where, the result, and the
// request's and the reply's bytes.
[[nodiscard]] QString ExchangeDetailText(const STrafficExchange& exchange);
