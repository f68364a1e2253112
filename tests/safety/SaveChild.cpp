// A child process that saves one of the tool's files, for the tests that kill
// a save half way through:
//
//   qora-save-child KIND VARIANT TARGET [--limit BYTES] [--loop]
//
// KIND      workorder | constlog | settings | naive (a plain truncating write
//           of the work order bytes: the harness's own check that it really
//           interrupts a write)
// VARIANT   a | b: two different contents of the same file
// TARGET    the file (for settings: the folder that holds the settings file)
// --limit   no file may grow beyond BYTES: the write that crosses it raises
//           SIGXFSZ, and the child stops itself there (SIGSTOP) so that the
//           test can look at the files in the middle of the save and kill it
// --loop    save a, b, a, b ... until killed
//
// Exit status 0 when the save reported success, 1 when it reported failure,
// 2 for bad arguments.

#include "SavePayloads.h"

#include "app/ManagerSettings.h"
#include "commissioning/report/WorkOrderWriter.h"
#include "data/constlog/ConstLogFile.h"
#include "settings/UserSettings.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>

namespace {

void StopAtTheLimit(int)
{
    raise(SIGSTOP);
}

bool Save(const std::string& kind, char variant, const QString& target)
{
    if (kind == "workorder") {
        CWorkOrder workOrder;
        return savetest::LoadVariantWorkOrder(workOrder, variant) && SaveWorkOrder(workOrder, target).saved;
    }
    if (kind == "naive") {
        QFile file(target);
        const QByteArray bytes = savetest::WorkOrderVariantBytes(variant);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
            && file.write(bytes) == bytes.size();
    }
    if (kind == "constlog")
        return WriteConstLogFile(target, savetest::ConstLogVariant(variant)).written;
    if (kind == "settings") {
        SetUserSettingsFolder(target);
        CManagerSettings settings;
        savetest::ApplySettingsVariant(settings, variant);
        if (settings.SaveSettings())
            return true;
        std::fprintf(stderr, "settings not saved: result %d\n", static_cast<int>(settings.LastResult()));
        return false;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const std::string kind = argv[1];
    const char variant = argv[2][0];
    const QString target = QString::fromLocal8Bit(argv[3]);
    if (kind != "workorder" && kind != "naive" && kind != "constlog" && kind != "settings")
        return 2;
    if (variant != 'a' && variant != 'b')
        return 2;

    bool loop = false;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0) {
            loop = true;
        } else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc) {
            const rlim_t limit = std::strtoull(argv[++i], nullptr, 10);
            const rlimit size{limit, limit};
            std::signal(SIGXFSZ, StopAtTheLimit);
            if (setrlimit(RLIMIT_FSIZE, &size) != 0)
                return 2;
        } else {
            return 2;
        }
    }

    if (!loop)
        return Save(kind, variant, target) ? 0 : 1;
    for (char next = variant;; next = next == 'a' ? 'b' : 'a') {
        if (!Save(kind, next, target))
            return 1;
    }
}
