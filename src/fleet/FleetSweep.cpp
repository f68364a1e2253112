#include "fleet/FleetSweep.h"

#include <algorithm>
#include <thread>

std::vector<SFleetUnitReplies> SweepFleet(const std::vector<std::string>& connections,
                                          const std::vector<CDeviceMessage>& requests,
                                          const SFleetSweepOptions& options)
{
    std::vector<SFleetUnitReplies> results(connections.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < connections.size(); i = next++) {
            if (options.stop && *options.stop) {
                results[i].error = "not read";
                continue;
            }
            const std::unique_ptr<IRksLink> link = options.makeLink ? options.makeLink() : nullptr;
            if (link)
                results[i] = ReadFleetUnit(*link, connections[i], requests);
            else
                results[i].error = "no link available";
            if (options.unitRead)
                options.unitRead(i, results[i]);
            if (options.done)
                ++*options.done;
        }
    };

    const std::size_t jobs =
        std::min<std::size_t>(connections.size(), std::size_t(std::clamp(options.jobs, 1, kFleetMaxJobs)));
    std::vector<std::thread> workers;
    workers.reserve(jobs);
    for (std::size_t j = 0; j < jobs; ++j)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
    return results;
}
