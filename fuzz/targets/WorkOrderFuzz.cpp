// The work order reader: the filtering SAX parse of the file, the choice of
// one unit and the fourteen values read from it, from the bytes as they
// would come from the file. A refusal names the message it is shown with
// and why.
//
// Input: a byte naming the unit the user picks when several are offered, then
// the file's bytes.

#include "FuzzSupport.h"

#include "commissioning/WorkOrderReader.h"

namespace {

void Setup()
{
    fuzz::EnsureApplication();
    fuzz::SilencePrompts();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (Setup(), true);
    (void)ready;
    fuzz::InputReader input({data, size});
    // 255 stands for a cancelled choice.
    const std::uint8_t choice = input.Byte();
    const int chosen = choice == 255 ? -1 : choice % 8;
    const auto bytes = input.Rest();
    const QByteArray xml(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));

    WorkOrderResult<CWorkOrderUnits> read = ReadWorkOrderBytes(xml);
    if (!read) {
        const unsigned id = read.Failure().messageId;
        FUZZ_CHECK(id == WorkOrderStringId::ParseFailed || id == WorkOrderStringId::NoUnits);
        FUZZ_CHECK(!read.Failure().detail.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!read.Value().Names().isEmpty());
    bool asked = false;
    const int index = ChooseUnit(read.Value(), [&](const QStringList& names) {
        FUZZ_CHECK(names.size() > 1);
        asked = true;
        return chosen;
    });
    FUZZ_CHECK(asked == (read.Value().Names().size() > 1));
    const CWorkOrder workOrder = std::move(read.Value()).Choose(index);
    FUZZ_CHECK(workOrder.IsLoaded() && workOrder.Document() && workOrder.UnitElement());
    WorkOrderValues values;
    (void)ReadWorkOrderValues(workOrder, values);
    QString text;
    (void)workOrder.FindParameterText(QStringLiteral("Q1IPAddress"), text);

    // The same bytes through the one-call load keep the same unit.
    CWorkOrder loaded;
    FUZZ_CHECK(static_cast<bool>(loaded.LoadFromBytes(xml, [&](const QStringList&) { return chosen; })));
    FUZZ_CHECK(xmlGetLineNo(loaded.UnitElement()) == xmlGetLineNo(workOrder.UnitElement()));
    return 0;
}
