#include "tests/support/sim_fixture.h"

#if !defined(_WIN32)
#include "standins/winshim/winshim_double.h"
#endif

void SimTest::Capture(const IFaceMessage* m, void* user)
{
    std::string line = m->key;
    if (m->argc > 0) {
        line += "(";
        for (int i = 0; i < m->argc; ++i) {
            if (i) line += ", ";
            if (m->kinds[i] == 's') {
                line += "\"";
                line += m->texts[i] ? m->texts[i] : "(null)";
                line += "\"";
            } else {
                line += std::to_string(m->ints[i]);
            }
        }
        line += ")";
    }
    static_cast<SimTest*>(user)->messages_.push_back(line);
}

void SimTest::SetUp()
{
    VnxSimReset();
    VnxSimTraceEnable(1);
    Driver = DriverState{};
    IFaceSetMessageEcho(0);
    IFaceSetMessageSink(&SimTest::Capture, this);
#if !defined(_WIN32)
    WinShimReset();
#endif
}

void SimTest::TearDown()
{
    IFaceSetMessageSink(nullptr, nullptr);
    IFaceHeapFailAllocation(0);
    VnxSimReset();
    Driver = DriverState{};
}

std::vector<std::string> SimTest::Trace() const
{
    std::vector<std::string> lines;
    char buf[512];
    int n = VnxSimTraceCount();
    for (int i = 0; i < n; ++i) {
        VnxSimTraceLine(i, buf, sizeof buf);
        lines.emplace_back(buf);
    }
    return lines;
}

std::vector<std::string> SimTest::TraceOf(const std::vector<std::string>& ops) const
{
    std::vector<std::string> out;
    for (const std::string& line : Trace()) {
        for (const std::string& op : ops) {
            if (line.compare(0, op.size() + 1, op + "(") == 0) {
                out.push_back(line);
                break;
            }
        }
    }
    return out;
}

void SimTest::ClearTrace()
{
    VnxSimTraceClear();
}

std::vector<std::string> SimTest::Boxes() const
{
    std::vector<std::string> out;
#if !defined(_WIN32)
    for (int i = 0; i < WinShimBoxCount(); ++i) {
        out.push_back(std::string(WinShimBoxCaption(i)) + ": " + WinShimBoxText(i));
    }
#endif
    return out;
}

void SimTest::DefineTagsFor(TestBlock& block)
{
    DCSData* d = block.get();
    for (int r = 0; r < d->CtrlCount; ++r) {
        for (int c = 0; c < 5; ++c) {
            const char* name = d->CtrlRows[r].Cells[c].Text;
            if (!name) continue;
            if (c == 2) VnxSimDefineInt(name, 0);
            else VnxSimDefineFloat(name, 0.0f);
        }
    }
    for (int r = 0; r < d->PVCount; ++r) {
        if (d->PVRows[r].Cells[0].Text) VnxSimDefineFloat(d->PVRows[r].Cells[0].Text, 0.0f);
    }
    for (int r = 0; r < d->PVImportCount; ++r) {
        if (d->PVImportRows[r].Cells[0].Text) VnxSimDefineFloat(d->PVImportRows[r].Cells[0].Text, 0.0f);
    }
    if (d->GenData && d->GenData[0].Text) {
        int upper = d->PVCount > 0 ? d->PVCount - 1 : 0;
        VnxSimDefineArray(d->GenData[0].Text, 0, static_cast<int16_t>(upper), 0.0f);
    }
}
