// vantro-sim: the controller simulator. Starts the endpoints its options name and runs until
// SIGINT or SIGTERM, or with --once until its virtual media session has ended.
#include "sim_options.h"
#include "sim_run.h"

#include <cstdio>

int main(int argc, char** argv) {
    sim::SimOptions opts;
    std::string error;
    if (!sim::parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), opts, error)) {
        std::fprintf(stderr, "vantro-sim: %s\n%s", error.c_str(), sim::simUsage());
        return 2;
    }
    if (opts.help) {
        std::fputs(sim::simUsage(), stdout);
        return 0;
    }
    return sim::runSimulator(opts);
}
