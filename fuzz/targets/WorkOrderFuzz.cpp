// The work order reader: the filtering SAX parse of the file, the choice of
// one unit and the fourteen values read from it. The reader takes a path, so
// each input is written to a file of this process first.
//
// Input: a byte naming the unit the user picks when several are offered, then
// the file's bytes.

#include "FuzzSupport.h"

#include "commissioning/WorkOrder.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

int g_choice = 0;

const QString& WorkOrderPath()
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("qora-fuzz-work-order-%1.xml").arg(::getpid()));
    return path;
}

void Setup()
{
    fuzz::EnsureApplication();
    fuzz::SilencePrompts();
    SetUnitChoiceFunction([](const QStringList& names) {
        FUZZ_CHECK(names.size() > 1);
        return g_choice;
    });
    std::atexit([] { QFile::remove(WorkOrderPath()); });
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

    QFile file(WorkOrderPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();

    CWorkOrder workOrder;
    if (!workOrder.Load(WorkOrderPath())) {
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
