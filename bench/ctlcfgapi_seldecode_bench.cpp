// Decoding one million SEL records against a repository of a typical server's size (thirty
// sensors and their FRU locators), reported as records per second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/libctlcfgapi/sdr_builders.h"

using namespace sdrtest;

namespace {

Repository serverRepository() {
    Repository repo;
    for (uint8_t i = 0; i < 30; ++i) {
        Sensor s;
        s.number = static_cast<uint8_t>(0x10 + 4 * i);
        s.entityId = static_cast<uint8_t>(0x03 + i % 4);
        s.sensorType = static_cast<uint8_t>(i % 3 == 0 ? 0x01 : i % 3 == 1 ? 0x0C : 0x04);
        s.eventType = static_cast<uint8_t>(s.sensorType == 0x01 ? 0x01 : s.sensorType == 0x04 ? 0x0B : 0x6F);
        s.name = "Sensor " + std::to_string(i);
        repo.records.push_back(i % 2 ? compactSensor(s, 4) : fullSensor(s));
    }
    for (uint8_t e = 0x03; e < 0x07; ++e) repo.records.push_back(fruLocator(e, 1, "FRU " + std::to_string(e)));
    for (auto& r : repo.records) r.resize(r.size() < 64 ? 64 : r.size(), 0);
    return repo;
}

// A mix: threshold, memory with DIMM detail, redundancy, POST code, OEM and unmatched events.
std::vector<Bytes> eventMix() {
    return {selRecord(1205591130u, 0x01, 0x10, 0x01, false, 0x59, 0x5A, 0x55),
            selRecord(1205591131u, 0x0C, 0x16, 0x6F, false, 0xA0, 0x91, 0x0F),
            selRecord(1205591132u, 0x04, 0x1A, 0x0B, true, 0x01),
            selRecord(1205591133u, 0x0F, 0x80, 0x6F, false, 0x0F, 0x84, 0x00),
            selRecord(1205591134u, 0x00, 0x00, 0x00, false, 0x00, 0x00, 0x00, 0x20, 0xE0),
            selRecord(12u, 0x08, 0xF0, 0x6F, true, 0x00)};
}

void BM_DecodeOneMillionSelRecords(benchmark::State& state) {
    Repository repo = serverRepository();
    repo.attach();
    const std::vector<Bytes> events = eventMix();
    constexpr long kRecords = 1000000;
    char date[CSLF_DATE_SIZE], desc[512];
    uint8_t severity = 0;
    for (auto _ : state) {
        for (long i = 0; i < kRecords; ++i) {
            const Bytes& e = events[static_cast<size_t>(i) % events.size()];
            CSLFSELEntryToStr(e.data(), 0, date, sizeof date, desc, sizeof desc, &severity, &repo);
            benchmark::DoNotOptimize(desc);
        }
    }
    state.counters["records_per_second"] =
        benchmark::Counter(static_cast<double>(kRecords) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeOneMillionSelRecords)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
