#include "traffic/TrafficTableModel.h"

#include "rks/RksFrame.h"
#include "traffic/ExchangeDecoder.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QElapsedTimer>


#include <algorithm>
#include <array>

namespace {

// Longest a catch-up works before it hands the event loop back.
constexpr qint64 kCatchUpBudgetMs = 4;

const std::array<const char*, CTrafficTableModel::ColumnCount> kHeaders = {
    "Time", "Direction", "Route", "Summary", "Bytes", "Result", "Round Trip"};

const QColor kFailedBackground(0xF6, 0xC9, 0xC9);
const QColor kRefusedBackground(0xFB, 0xE7, 0xB5);
const QColor kFailedText(0x9C, 0x00, 0x06);

QString ResultWords(bool failed, std::uint8_t result)
{
    // A reply the tool refused comes with result 0: there is no code to explain.
    if (result != 0)
        return QStringLiteral("%1 - %2").arg(result).arg(QString::fromLatin1(RksResultMeaning(result)));
    return failed ? QStringLiteral("failed") : QStringLiteral("OK");
}

const QString kResultCodes =
    QStringLiteral("Results of the link: 0 ok, 1 no such unit, 2 unit did not answer, 3 malformed request");

// The result cell's tool tip: what the code means for the engineer.
QString ResultExplanation(bool failed, std::uint8_t result)
{
    QString text;
    if (result != 0)
        text = QStringLiteral("Result %1 from the link: %2.").arg(result).arg(QString::fromLatin1(RksResultMeaning(result)));
    else if (failed)
        text = QStringLiteral("Failed without a result from the link: no reply in time, a broken connection, "
                              "or a reply the tool does not recognise.");
    else
        text = QStringLiteral("The unit answered.");
    return text + QLatin1Char('\n') + kResultCodes;
}

// UTC time of day with milliseconds; the date is in the tooltip.
QString TimeOfDay(std::int64_t ms)
{
    constexpr std::int64_t kDay = 24LL * 3600 * 1000;
    std::int64_t t = ms % kDay;
    if (t < 0)
        t += kDay;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(t / 3600000, 2, 10, QLatin1Char('0'))
        .arg(t / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(t / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 1000, 3, 10, QLatin1Char('0'));
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The filter as nibbles when it reads as hex bytes ("90 04", "9004"): at least
// two digits, spaces ignored. Otherwise none.
std::vector<std::uint8_t> HexNeedle(const QString& filter)
{
    std::vector<std::uint8_t> nibbles;
    for (const QChar c : filter) {
        if (c.isSpace())
            continue;
        const int digit = HexDigit(c);
        if (digit < 0)
            return {};
        nibbles.push_back(static_cast<std::uint8_t>(digit));
    }
    if (nibbles.size() < 2)
        return {};
    return nibbles;
}

// Whether the nibbles occur starting on a byte boundary.
bool ContainsNibbles(std::span<const std::uint8_t> bytes, const std::vector<std::uint8_t>& nibbles)
{
    const std::size_t span = (nibbles.size() + 1) / 2;
    if (bytes.size() < span)
        return false;
    for (std::size_t at = 0; at + span <= bytes.size(); ++at) {
        bool equal = true;
        for (std::size_t n = 0; n < nibbles.size() && equal; ++n) {
            const std::uint8_t b = bytes[at + n / 2];
            equal = ((n % 2 == 0) ? (b >> 4) : (b & 0x0F)) == nibbles[n];
        }
        if (equal)
            return true;
    }
    return false;
}

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}

} // namespace


CTrafficTableModel::CTrafficTableModel(CTrafficRing& ring, QObject* parent)
    : QAbstractTableModel(parent), ring_(&ring), live_(true)
{
    // Whatever the ring already holds comes in on the first ticks.
    clears_ = ring_->Clears();
    next_ = ring_->Dropped();
    timer_.setInterval(kCatchUpIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CTrafficTableModel::CatchUp);
    timer_.start();
}

CTrafficTableModel::CTrafficTableModel(std::vector<STrafficExchange> recording, QObject* parent)
    : QAbstractTableModel(parent),
      ownRing_(std::make_unique<CTrafficRing>(std::max<std::size_t>(recording.size(), 1))),
      live_(false)
{
    ring_ = ownRing_.get();
    for (STrafficExchange& exchange : recording)
        ring_->Append(std::move(exchange));
    std::vector<SEntry> all;
    all.reserve(ring_->Size());
    for (std::uint64_t n = 0; n < ring_->Appended(); ++n)
        ring_->ReadNumber(n, [&](const STrafficExchange& e) { all.push_back(MakeEntry(n, e)); });
    next_ = ring_->Appended();
    entries_.assign(std::make_move_iterator(all.begin()), std::make_move_iterator(all.end()));
}

CTrafficTableModel::~CTrafficTableModel() = default;

CTrafficTableModel::SEntry CTrafficTableModel::MakeEntry(std::uint64_t number, const STrafficExchange& e) const
{
    SEntry entry;
    entry.number = number;
    entry.timeMs = e.timeMs;
    entry.rttMs = e.rttMs;
    entry.kind = e.kind;
    entry.result = e.result;
    entry.failed = e.failed;
    if (e.route)
        entry.route = QString::fromLatin1(e.route->c_str());
    entry.requestBytes = static_cast<std::int32_t>(std::min<std::size_t>(e.req.size(), INT32_MAX));
    if (e.rep)
        entry.replyBytes = static_cast<std::int32_t>(std::min<std::size_t>(e.rep->size(), INT32_MAX));
    switch (e.kind) {
    case ETrafficKind::Open:
    case ETrafficKind::Close:
        entry.request = DescribeExchange(e);
        break;
    case ETrafficKind::Transfer:
        entry.request = DescribeRequest(e.req, e.route);
        // The answer row names what it answers when the reply adds nothing
        // of its own, so that a row read alone still says what it is.
        if (e.rep)
            entry.reply = DescribeReply(e.req, *e.rep, e.route);
        if (e.rep && entry.reply.isEmpty())
            entry.reply = entry.request + QStringLiteral(" reply");
        else if (!e.rep && e.failed)
            entry.reply = QStringLiteral("no reply");
        break;
    }
    return entry;
}

void CTrafficTableModel::CatchUp()
{
    if (!live_ || paused_)
        return;
    if (const std::uint64_t clears = ring_->Clears(); clears != clears_) {
        // Cleared behind the table's back: its numbers start again.
        beginResetModel();
        entries_.clear();
        matches_.clear();
        entriesRemoved_ = 0;
        next_ = 0;
        clears_ = clears;
        endResetModel();
    }
    const std::uint64_t appended = ring_->Appended();
    const std::uint64_t dropped = ring_->Dropped();
    DropBefore(dropped);
    next_ = std::max(next_, dropped);

    std::vector<SEntry> batch;
    QElapsedTimer clock;
    clock.start();
    while (next_ < appended && clock.elapsed() < kCatchUpBudgetMs) {
        // Gone already when the ring moved on meanwhile: the next tick drops
        // its neighbours as well.
        ring_->ReadNumber(next_, [&](const STrafficExchange& e) { batch.push_back(MakeEntry(next_, e)); });
        ++next_;
    }
    if (!batch.empty()) {
        const std::size_t base = entriesRemoved_ + entries_.size();
        std::vector<std::uint64_t> matching;
        if (filtering_) {
            for (std::size_t i = 0; i < batch.size(); ++i)
                if (Matches(batch[i]))
                    matching.push_back(base + i);
        }
        const std::size_t added = filtering_ ? matching.size() : batch.size();
        const int first = rowCount();
        if (added > 0)
            beginInsertRows({}, first, first + static_cast<int>(2 * added) - 1);
        entries_.insert(entries_.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
        matches_.insert(matches_.end(), matching.begin(), matching.end());
        if (added > 0)
            endInsertRows();
    }
    // Behind after a pause or a burst: come back as soon as the loop is free.
    timer_.setInterval(next_ < appended ? 0 : kCatchUpIntervalMs);
    emit CaughtUp();
}

void CTrafficTableModel::DropBefore(std::uint64_t number)
{
    std::size_t count = 0;
    while (count < entries_.size() && entries_[count].number < number)
        ++count;
    if (count == 0)
        return;
    std::size_t rows = count;
    if (filtering_) {
        const std::uint64_t end = entriesRemoved_ + count;
        rows = static_cast<std::size_t>(
            std::find_if(matches_.begin(), matches_.end(), [end](std::uint64_t p) { return p >= end; }) -
            matches_.begin());
    }
    if (rows > 0)
        beginRemoveRows({}, 0, static_cast<int>(2 * rows) - 1);
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count));
    entriesRemoved_ += count;
    if (filtering_)
        matches_.erase(matches_.begin(), matches_.begin() + static_cast<std::ptrdiff_t>(rows));
    if (rows > 0)
        endRemoveRows();
}

void CTrafficTableModel::SetPaused(bool paused)
{
    if (!live_ || paused == paused_)
        return;
    paused_ = paused;
    if (!paused_)
        CatchUp();
}

void CTrafficTableModel::Clear()
{
    if (!live_)
        return;
    ring_->Clear();
    beginResetModel();
    entries_.clear();
    matches_.clear();
    entriesRemoved_ = 0;
    next_ = 0;
    clears_ = ring_->Clears();
    endResetModel();
}

void CTrafficTableModel::SetFilter(const QString& text)
{
    const QString filter = text.trimmed();
    if (filter == filter_)
        return;
    filter_ = filter;
    filtering_ = !filter_.isEmpty();
    hexNeedle_ = HexNeedle(filter_);
    Rebuild();
}

void CTrafficTableModel::Rebuild()
{
    beginResetModel();
    matches_.clear();
    if (filtering_) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (Matches(entries_[i]))
                matches_.push_back(entriesRemoved_ + i);
    }
    endResetModel();
}

bool CTrafficTableModel::Matches(const SEntry& entry) const
{
    const auto has = [this](const QString& text) { return text.contains(filter_, Qt::CaseInsensitive); };
    if (has(entry.request) || has(entry.reply) || has(entry.route) || has(ResultWords(entry.failed, entry.result)))
        return true;
    // "failed" finds every failed exchange, also those whose code says more.
    if (entry.failed && QStringLiteral("failed").contains(filter_, Qt::CaseInsensitive))
        return true;
    if (hexNeedle_.empty())
        return false;
    bool found = false;
    ring_->ReadNumber(entry.number, [&](const STrafficExchange& e) {
        found = ContainsNibbles(e.req, hexNeedle_) || (e.rep && ContainsNibbles(*e.rep, hexNeedle_));
    });
    return found;
}

const CTrafficTableModel::SEntry* CTrafficTableModel::EntryForRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    const auto exchange = static_cast<std::size_t>(row / 2);
    if (!filtering_)
        return &entries_[exchange];
    return &entries_[static_cast<std::size_t>(matches_[exchange] - entriesRemoved_)];
}

int CTrafficTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(2 * (filtering_ ? matches_.size() : entries_.size()));
}

int CTrafficTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CTrafficTableModel::CellText(const SEntry& entry, bool request, int column) const
{
    const bool transfer = entry.kind == ETrafficKind::Transfer;
    switch (column) {
    case TimeColumn:
        return TimeOfDay(request ? entry.timeMs : entry.timeMs + entry.rttMs);
    case DirectionColumn:
        return request ? QStringLiteral("\u2192") : QStringLiteral("\u2190");
    case RouteColumn:
        return entry.route;
    case SummaryColumn:
        return request ? entry.request : entry.reply;
    case BytesColumn:
        if (request)
            return transfer ? QString::number(entry.requestBytes) : QString();
        return entry.replyBytes >= 0 ? QString::number(entry.replyBytes) : QString();
    case ResultColumn:
        return request ? QString() : ResultWords(entry.failed, entry.result);
    case RoundTripColumn:
        return request ? QString() : QStringLiteral("%1 ms").arg(entry.rttMs);
    default:
        return {};
    }
}

QVariant CTrafficTableModel::data(const QModelIndex& index, int role) const
{
    const SEntry* entry = index.isValid() ? EntryForRow(index.row()) : nullptr;
    if (!entry)
        return {};
    const bool request = IsRequestRow(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return CellText(*entry, request, index.column());
    case Qt::ToolTipRole:
        if (index.column() == TimeColumn) {
            const std::int64_t ms = request ? entry->timeMs : entry->timeMs + entry->rttMs;
            return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
        }
        if (index.column() == SummaryColumn || index.column() == RouteColumn)
            return CellText(*entry, request, index.column());
        if (index.column() == ResultColumn && !request)
            return ResultExplanation(entry->failed, entry->result);
        return {};
    case Qt::BackgroundRole:
        if (entry->failed)
            return QBrush(kFailedBackground);
        if (entry->result != 0)
            return QBrush(kRefusedBackground);
        return {};
    case Qt::ForegroundRole:
        if (!request && index.column() == ResultColumn && (entry->failed || entry->result != 0))
            return QBrush(kFailedText);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == BytesColumn || index.column() == RoundTripColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == DirectionColumn)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    default:
        return {};
    }
}

QVariant CTrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kHeaders[static_cast<std::size_t>(section)]);
    if (role == Qt::ToolTipRole && section == TimeColumn)
        return QStringLiteral("UTC; the answer's row shows when the answer came");
    if (role == Qt::ToolTipRole && section == ResultColumn)
        return kResultCodes + QStringLiteral("; failed: no reply the tool could take");
    return {};
}

std::optional<STrafficExchange> CTrafficTableModel::ExchangeAt(int row) const
{
    const SEntry* entry = EntryForRow(row);
    if (!entry)
        return std::nullopt;
    std::optional<STrafficExchange> exchange;
    ring_->ReadNumber(entry->number, [&](const STrafficExchange& e) { exchange = e; });
    return exchange;
}

QString CTrafficTableModel::RowsAsText(std::vector<int> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList lines;
    QStringList cells;
    for (const char* header : kHeaders)
        cells << QString::fromLatin1(header);
    lines << cells.join(QLatin1Char('\t'));
    for (const int row : rows) {
        const SEntry* entry = EntryForRow(row);
        if (!entry)
            continue;
        cells.clear();
        for (int column = 0; column < ColumnCount; ++column)
            cells << OneLine(CellText(*entry, IsRequestRow(row), column));
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString CTrafficTableModel::ResultText(const STrafficExchange& exchange)
{
    return ResultWords(exchange.failed, exchange.result);
}

QString HexBytes(std::span<const std::uint8_t> bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size() * 3));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0'));
    }
    return text.toUpper();
}

QString HexDump(std::span<const std::uint8_t> bytes)
{
    QString text;
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        const auto row = bytes.subspan(line, std::min<std::size_t>(16, bytes.size() - line));
        QString hex = HexBytes(row);
        QString ascii;
        for (const std::uint8_t b : row)
            ascii += (b >= 0x20 && b < 0x7F) ? QLatin1Char(static_cast<char>(b)) : QLatin1Char('.');
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(line, 4, 16, QLatin1Char('0'))
                    .arg(hex, -47)
                    .arg(ascii);
    }
    return text;
}

QString ExchangeDetailText(const STrafficExchange& exchange)
{
    QString text = DescribeExchange(exchange) + QLatin1Char('\n');
    text += QStringLiteral("%1 %2   route %3   %4   round trip %5 ms\n")
                .arg(QString::fromLatin1(TrafficKindName(exchange.kind)),
                     QDateTime::fromMSecsSinceEpoch(exchange.timeMs, Qt::UTC).toString(Qt::ISODateWithMs),
                     exchange.route ? QString::fromLatin1(exchange.route->c_str()) : QStringLiteral("none"),
                     CTrafficTableModel::ResultText(exchange), QString::number(exchange.rttMs));
    if (exchange.conn)
        text += QStringLiteral("connection %1\n").arg(QString::fromLatin1(exchange.conn->c_str()));
    text += QStringLiteral("\nRequest, %1 bytes\n").arg(exchange.req.size());
    text += HexDump(exchange.req);
    if (exchange.rep) {
        text += QStringLiteral("\nReply, %1 bytes\n").arg(exchange.rep->size());
        text += HexDump(*exchange.rep);
    } else {
        text += QStringLiteral("\nNo reply\n");
    }
    return text;
}
