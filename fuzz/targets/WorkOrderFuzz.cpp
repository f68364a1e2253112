// The work order reader: the filtering SAX parse of the file, the choice of
// one unit and the fourteen values read from it, from the bytes as they
// would come from the file.
//
// Input: a byte naming the unit the user picks when several are offered, then
// the file's bytes.

#include "FuzzSupport.h"

#include "commissioning/WorkOrder.h"

namespace {

int g_choice = 0;

void Setup()
{
    fuzz::EnsureApplication();
    fuzz::SilencePrompts();
    SetUnitChoiceFunction([](const QStringList& names) {
        FUZZ_CHECK(names.size() > 1);
        return g_choice;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (Setup(), true);
    (void)ready;
    fuzz::InputReader input({data, size});
    // 255 stands for a cancelled choice.
    const std::uint8_t choice = input.Byte();
    g_choice = choice == 255 ? -1 : choice % 8;
    const auto bytes = input.Rest();

    CWorkOrder workOrder;
    if (!workOrder.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size())))) {
        FUZZ_CHECK(!workOrder.IsLoaded() && !workOrder.Document());
        return 0;
    }
    FUZZ_CHECK(workOrder.IsLoaded() && workOrder.Document() && workOrder.UnitElement());
    WorkOrderValues values;
    (void)ReadWorkOrderValues(workOrder, values);
    QString text;
    (void)workOrder.FindParameterText(QStringLiteral("Q1IPAddress"), text);
    return 0;
}
