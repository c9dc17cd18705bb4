#include "tests/support/sim_fixture.h"

#include "standins/winshim/winshim_double.h"

int OccupiedRowSlots()
{
    int occupied = 0;
    for (const VnxHandle* table :
         {Driver.CtrlSPTags, Driver.CtrlOPTags, Driver.CtrlModeTags, Driver.CtrlSPInitTags,
          Driver.CtrlOPInitTags, Driver.CtrlSPItems, Driver.CtrlOPItems, Driver.PVExportTags,
          Driver.PVImportTags, Driver.PVImportItems}) {
        for (int row = 0; row < MAXDCSROWS; ++row) occupied += table[row] != nullptr;
    }
    return occupied;
}

float CommittedFloat(const char* name, int index)
{
    float v = -12345.0f;
    VnxSimGetFloat(name, index, &v);
    return v;
}

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
    WinShimReset();
}

void SimTest::TearDown()
{
    IFaceSetMessageSink(nullptr, nullptr);
    IFaceHeapFailAllocation(0);
    VnxSimReset();
    Driver = DriverState{};
}

std::vector<std::string> SimTest::Trace() const { return SimTraceLines(); }

std::vector<std::string> SimTraceLines()
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

void SimTest::ClearTrace() { VnxSimTraceClear(); }

std::vector<std::string> SimTest::Boxes() const
{
    std::vector<std::string> out;
    for (int i = 0; i < WinShimBoxCount(); ++i) {
        out.push_back(std::string(WinShimBoxCaption(i)) + ": " + WinShimBoxText(i));
    }
    return out;
}

void SimTest::DefineTagsFor(BlockBuilder& block)
{
    DCSData* d = block.get();
    for (int r = 0; r < d->CtrlCount; ++r) {
        for (int c = 0; c < CTRL_COLUMNS; ++c) {
            const char* name = d->CtrlRows[r].Cells[c].Text;
            if (!name) continue;
            if (c == CTRL_COL_MODE)
                VnxSimDefineInt(name, 0);
            else
                VnxSimDefineFloat(name, 0.0f);
        }
    }
    for (int r = 0; r < d->PVCount; ++r) {
        const char* name = d->PVRows[r].Cells[PV_COL_TAG].Text;
        if (name) VnxSimDefineFloat(name, 0.0f);
    }
    for (int r = 0; r < d->PVImportCount; ++r) {
        const char* name = d->PVImportRows[r].Cells[IMPORT_COL_TAG].Text;
        if (name) VnxSimDefineFloat(name, 0.0f);
    }
    const char* array_tag = d->GenData ? d->GenData[GEN_COL_ARRAY_TAG].Text : nullptr;
    if (array_tag) {
        int upper = d->PVCount > 0 ? d->PVCount - 1 : 0;
        VnxSimDefineArray(array_tag, 0, static_cast<int16_t>(upper), 0.0f);
    }
}
