// dcshost against a client library without the control API, as a real
// control system's: the driver copied beside the file-backed library, whose
// tags come from a file, and dcshost run as a user runs it (under Wine, its
// Windows build from the Windows test).
#if defined(_WIN32)
#  include <windows.h>
#else
#  include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// What the control system holds; the loop's Mode tag comes last, so a
// control system without it is the same file less one line.
const char kTags[] = R"(float L.SP 50
float L.OP 50
float L.SPINIT 0
float L.OPINIT 0
float L.PV 0
array ARR 0 0 0
int   L.MODE 0
)";

const char kLoop[] = R"(
title = "live"
[run]
step = 1.0
duration = 5.0
[host]
pv_array_tag = "ARR"
controller = [{ name = "L", sp_tag = "L.SP", op_tag = "L.OP", mode_tag = "L.MODE", sp_init_tag = "L.SPINIT", op_init_tag = "L.OPINIT", sp = 50, op = 0.5, pv = "LV" }]
pv = [{ name = "LV", tag = "L.PV", from = "plant:tank" }]
[plant]
block = [{ name = "tank", kind = "integrating", initial = 50, lo = 0, hi = 100, inputs = [{ from = "op:L", gain = 0.02 }] }]
)";

const char kChanges[] = R"(
[[run.event]]
at = 2.0
tag = "L.SP"
value = 60.0
[[run.fault]]
at = 1.0
kind = "restart"
[system]
tag = [{ name = "L.SP" }]
)";

#if defined(_WIN32)
const char kDriver[] = "vornak.dll";
const char kLibrary[] = "VNXAPIWX.dll";
const char kSeparator[] = "\\";

// The build's paths as Windows takes them (Z:\... under Wine).
std::string Native(const char* path)
{
    std::string slashes(path);
    for (char& c : slashes)
        if (c == '/') c = '\\';
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(slashes.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? full : slashes;
}

void SetEnv(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
FILE* OpenPipe(const std::string& command) { return _popen(command.c_str(), "rb"); }
int ClosePipe(FILE* pipe) { return _pclose(pipe); }
#else
const char kDriver[] = "libvornak.so";
const char kLibrary[] = "libVNXAPIWX.so";
const char kSeparator[] = "/";

std::string Native(const char* path) { return path; }
void SetEnv(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
FILE* OpenPipe(const std::string& command) { return popen(command.c_str(), "r"); }
int ClosePipe(FILE* pipe)
{
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Line ends as LF, whatever the platform wrote.
std::string Read(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string WithoutCR(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

struct Outcome {
    int exit_code = -1;
    std::string output;
};

Outcome Dcshost(const std::string& args)
{
    Outcome out;
    FILE* pipe = OpenPipe(Native(DCSHOST_EXE) + " " + args + " 2>&1");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.output.append(buffer, n);
    out.exit_code = ClosePipe(pipe);
    out.output = WithoutCR(out.output);
    return out;
}

}  // namespace

TEST(LiveRun, runs_and_checks_read_only_and_refuses_what_would_change_the_control_system)
{
    // In the build folder: runs of other builds on the machine have their own.
    const std::string dir = Native(DCSHOST_LIVE_DIR) + kSeparator;
    // Copied, not linked: the driver looks for its client library beside
    // itself, which a link would place in the build folder.
    Write(dir + kDriver, Read(Native(DCSHOST_DRIVER)));
    Write(dir + kLibrary, Read(Native(DCSHOST_FILE_BACKED)));
    const std::string tags(kTags);
    Write(dir + "tags.txt", tags);
    Write(dir + "no_mode.txt", tags.substr(0, tags.rfind("int")));
    Write(dir + "live.toml", kLoop);
    Write(dir + "changes.toml", std::string(kLoop) + kChanges);
    Write(dir + "jitter.toml", std::string(kLoop) + "[system]\nread_jitter_ms = 10\n");
    // The level runs away: its PV passes the float range from the 7th step.
    std::string runaway = kLoop;
    const std::string tank =
        "kind = \"integrating\", initial = 50, lo = 0, hi = 100, inputs = [{ from = \"op:L\", gain "
        "= 0.02 }]";
    runaway.replace(runaway.find(tank), tank.size(),
                    "kind = \"first_order\", tau = 0.001, initial = 50, inputs = [{ from = "
                    "\"plant:tank\", gain = 1e6 }]");
    Write(dir + "runaway.toml", runaway);
    const std::string common = " --no-settle-wait --driver " + dir + kDriver;
    const std::string library = "the client library " + dir + kLibrary + " has no control API";

    struct Case {
        const char* tag_file;
        std::string args;
        int exit_code;
        std::vector<std::string> lines;
    } cases[] = {
        {"tags.txt",
         "run " + dir + "live.toml --speed 10 --out " + dir + " --log-calls " + dir +
             "calls.log --json " + dir + "result.json",
         0,
         {"live run: " + library +
              "; nothing is defined, injected or advanced, the modes are what DCSStart switched "
              "the loops to",
          // The settle's seconds, seen by the driver's sleeps.
          "DCSConfigure (no settle wait): waiting for the control system to settle, 10 of 10 s",
          "  L         1 (automatic)            50            55   10.000 %    50.00",
          "handles left open in the control system: unknown (a live run: the client library "
          "cannot count them)",
          "run: clean (live run)"}},
        {"tags.txt",
         "run " + dir + "runaway.toml --duration 10 --no-trends --speed max",
         4,
         {"unsound value: PV export row 0 (LV): beyond float range (saturated) sent at 7 s, 4 "
          "times",
          "run: NOT clean (live run)"}},
        {"tags.txt",
         "run " + dir + "changes.toml",
         2,
         {dir + "changes.toml: live run (" + library +
          "): nothing can be defined or injected, so the scenario's [system] section, 1 operator "
          "event ([[run.event]]) and 1 fault ([[run.fault]]) cannot be applied; a live run "
          "takes a scenario without them"}},
        {"tags.txt",
         "run " + dir + "jitter.toml",
         2,
         {dir + "jitter.toml: live run (" + library +
          "): nothing can be defined or injected, so the scenario's [system] section cannot be "
          "applied; a live run takes a scenario without them"}},
        {"tags.txt",
         "check " + dir + "live.toml",
         0,
         {"live run: " + library + "; the check only reads and binds",
          "check: every tag bound (1 controllers with 5 tags each, 1 PV exports, 0 PV imports, "
          "PV array tag \"ARR\")"}},
        {"no_mode.txt",
         "check " + dir + "live.toml",
         1,
         {"tag problem: controller row 0 (L) column \"Mode TAG\" tag \"L.MODE\": cannot be "
          "opened: the control system has no such tag",
          "check: 1 tag problem"}},
    };
    for (const Case& c : cases) {
        SetEnv("VNXSIM_TAGS", dir + c.tag_file);
        Outcome out = Dcshost(c.args + common);
        EXPECT_EQ(out.exit_code, c.exit_code) << c.args << "\n" << out.output;
        for (const std::string& line : c.lines)
            EXPECT_NE(("\n" + out.output).find("\n" + line + "\n"), std::string::npos)
                << c.args << ": no line\n"
                << line << "\nin\n"
                << out.output;
    }

    // The call log has the host side only, and says so.
    std::string calls = WithoutCR(Read(dir + "calls.log"));
    EXPECT_EQ(calls.rfind("# dcshost call log 1\n# TIME WHO TEXT\n# live run: the host side only, "
                          "no client-library calls (lib lines)\n0 host DCSLoad(data)\n",
                          0),
              0u)
        << calls;
    EXPECT_EQ(calls.find(" lib "), std::string::npos) << calls;
    std::string json = WithoutCR(Read(dir + "result.json"));
    EXPECT_NE(json.find("\n  \"live_run\": true,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("\n  \"handles_open\": null,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("\n  \"pacing\": {\"speed\": 10, \"slot_s\": 0.1, \"steps\": 5, "),
              std::string::npos)
        << json;
}

#if !defined(_WIN32)
// The control system gone for a while: the outage library between the driver
// and the file-backed one refuses every call from the first list read of
// step 5 (two lists a step) until the third ApiStartup, the second try.
TEST(LiveRun, reconfigure_rebinds_after_the_control_system_comes_back_and_reports_when)
{
    const std::string dir = std::string(DCSHOST_LIVE_DIR) + "/outage/";
    Write(dir + kDriver, Read(DCSHOST_DRIVER));
    Write(dir + kLibrary, Read(DCSHOST_OUTAGE));
    Write(dir + "tags.txt", kTags);
    Write(dir + "live.toml", kLoop);
    SetEnv("VNXSIM_TAGS", dir + "tags.txt");
    SetEnv("VNXOUTAGE_LIBRARY", DCSHOST_FILE_BACKED);
    const std::string run = "run " + dir + "live.toml --driver " + dir + kDriver +
                            " --no-settle-wait --speed max --duration 12 --out " + dir +
                            " --on-loss reconfigure --reconnect-every 2 --json " + dir;
    struct Case {
        const char* from_read;
        const char* until_startup;
        const char* file;  // VNXOUTAGE_FILE, made before the run
        int exit_code;
        std::vector<std::string> lines;
    } cases[] = {
        {"9",
         "3",
         "",
         4,
         {"VNXOUTAGE: the control system is down (ReadTagList 9, ApiStartup 1)",
          "coupling lost at 5 s, restored at 10 s (5 steps)",
          "reconfigure at 7 s: DCSConfigure failed (result 0), next try at 9 s",
          "reconfigure at 9 s: every tag bound, exchange resumed"}},
        {"9",
         "1",
         "",
         1,
         {"VNXOUTAGE: VNXOUTAGE_UNTIL_STARTUP: 1 is the first binding's, before any outage"}},
        {"0",
         "3",
         "",
         1,
         {"VNXOUTAGE: VNXOUTAGE_FROM_READ: '0' is not a whole number from 1 to 1000000000"}},
        {"",
         "",
         "down",
         1,
         {"VNXOUTAGE: the control system is down (ReadTagList 0, ApiStartup 1)",
          "DCSConfigure failed (result 0); the driver has released everything"}},
    };
    for (const Case& c : cases) {
        SetEnv("VNXOUTAGE_FROM_READ", c.from_read);
        SetEnv("VNXOUTAGE_UNTIL_STARTUP", c.until_startup);
        SetEnv("VNXOUTAGE_FILE", *c.file ? dir + c.file : "");
        if (*c.file) Write(dir + c.file, "");
        Outcome out = Dcshost(run + c.from_read + c.until_startup + c.file + ".json");
        EXPECT_EQ(out.exit_code, c.exit_code) << out.output;
        for (const std::string& line : c.lines)
            EXPECT_NE(("\n" + out.output).find("\n" + line + "\n"), std::string::npos)
                << "no line\n"
                << line << "\nin\n"
                << out.output;
    }
    std::string json = Read(dir + "93.json");
    EXPECT_NE(json.find("\"steps_lost\": 5, \"losses\": [{\"lost_at\": 5, \"restored_at\": 10, "
                        "\"steps_lost\": 5}], \"on_loss\": \"reconfigure\", \"reconfigures\": "
                        "[{\"at\": 7, \"configure_result\": 0, \"bound\": false}, {\"at\": 9, "
                        "\"configure_result\": 1, \"bound\": true}]}"),
              std::string::npos)
        << json;
}
#endif
