// DCSSimulate on the Windows module under Wine, where Google Benchmark is not
// built: driver and floor of the array and per-tag paths at 100 and 2,000
// rows, checked against each other first as dcs_bench does, each timed as the
// fastest of 15 repetitions of at least 0.05 s of wall-clock time.
//   wine build/win32/bin/dcs_timing.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/same_calls.h"
#include "bench/scene.h"
#include "dcshost/host/settle_wait.h"
#include "standins/iface/iface_control.h"

namespace {

double Seconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds per pass, or a negative value when the scene could not be bound.
double TimePass(Side side, Op op, int32_t rows)
{
    Scene* scene = EnterScene(side, rows);
    if (!scene) return -1.0;
    PrepareOp(*scene, op);
    double best = 1e9;
    for (int repetition = 0; repetition < 15; ++repetition) {
        int64_t passes = 0;
        const double start = Seconds();
        double elapsed = 0.0;
        do {
            for (int i = 0; i < 16; ++i) RunOp(*scene, op);
            passes += 16;
            elapsed = Seconds() - start;
        } while (elapsed < 0.05);
        best = std::min(best, elapsed / static_cast<double>(passes));
    }
    return best;
}

}  // namespace

int main()
{
    // The settle's sleeps return at once: binding a scene costs no ten seconds.
    IFaceSetMessageEcho(0);  // the per-tag path reports the array's status every pass
    std::string error;
    if (!SkipSettleWait(GetModuleHandleA("vornak.dll"), error)) {
        std::fprintf(stderr, "dcs_timing: %s\n", error.c_str());
        return 1;
    }
    const struct {
        const char* name;
        Op op;
    } paths[] = {{"array", Op::kSimulateArray}, {"per tag", Op::kSimulatePerTag}};
    int status = 0;
    std::printf(
        "| DCSSimulate | Rows | Driver | Floor | Driver/floor |\n|---|---:|---:|---:|---:|\n");
    for (const auto& path : paths) {
        for (int32_t rows : {100, 2000}) {
            const std::string differs = CompareWithFloor(path.op, rows);
            if (!differs.empty()) {
                std::fprintf(stderr, "%s at %d rows: floor and driver differ: %s\n", path.name,
                             static_cast<int>(rows), differs.c_str());
                status = 1;
                continue;
            }
            const double driver = TimePass(Side::kDriver, path.op, rows);
            const double floor = TimePass(Side::kFloor, path.op, rows);
            if (driver < 0 || floor < 0) {
                std::fprintf(stderr, "%s at %d rows: binding failed\n", path.name,
                             static_cast<int>(rows));
                status = 1;
                continue;
            }
            std::printf("| %s | %d | %.1f us | %.1f us | %.2f |\n", path.name,
                        static_cast<int>(rows), driver * 1e6, floor * 1e6, driver / floor);
        }
    }
    LeaveScene();
    return status;
}
