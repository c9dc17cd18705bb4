// Results are not examined: the floor is what the calls cost, nothing more.
// Bench set-up compares its trace with the driver's, line by line.
#include "bench/floor.h"

#include <cstddef>

namespace {

constexpr int kSettleRounds = 10;
constexpr int32_t kFloat = VNX_CONV_FLOAT;
constexpr int32_t kInt = VNX_CONV_INT;

// The reset closes a controller row's tags in this order.
constexpr int kCloseOrder[CTRL_COLUMNS] = {1, 0, 4, 3, 2};

void BindRow(const char* name, VnxHandle* slot)
{
    ValidateTagName(name);
    *slot = OpenTag(name);
    GetTagStatus(*slot);
}

void WriteRow(VnxHandle tag, const void* value, int32_t conversion)
{
    GetTagStatus(tag);
    SetTagValue(tag, 1, value, conversion);
    SendTag(tag);
}

void EmptyList(VnxHandle list)
{
    ListRewind(list);
    VnxHandle item = ListFirst(list);
    while (item) {
        RemoveTagFromList(list, item);
        CloseTag(item);
        item = ListNext(list);
        ServiceEvents();
    }
}

void ReadFloatItem(VnxHandle item, void* buffer)
{
    GetIOStatus(item, 0);
    GetDataQuality(item, 0);
    GetTagValue(item, 0, buffer, kFloat, 0, 0);
}

void ReadAllLists(FloorPlan& p)
{
    ReadTagList(p.op_list);
    ReadTagList(p.sp_list);
    for (int32_t r = 0; r < p.rows; ++r) {
        ReadFloatItem(p.op_items[r], &p.op_read[r]);
        ReadFloatItem(p.sp_items[r], &p.sp_read[r]);
    }
    ReadTagList(p.import_list);
    for (int32_t r = 0; r < p.rows; ++r) {
        VnxHandle item = p.import_items[r];
        GetIOStatus(item, 0);
        GetDataQuality(item, 0);
        GetTagDataType(item);
        GetTagValue(item, 0, &p.import_read[r], p.import_conversions[r], 0, 0);
    }
}

void WriteArray(FloorPlan& p)
{
    GetTagStatus(p.array_tag);
    for (int32_t r = 0; r < p.rows; ++r)
        SetArrayElement(p.array_tag, r, 1, &p.pv_values[r], kFloat);
    SendTag(p.array_tag);
}

}  // namespace

void SizeFloorPlan(FloorPlan& p)
{
    const size_t n = static_cast<size_t>(p.rows);
    for (int c = 0; c < CTRL_COLUMNS; ++c) {
        p.ctrl_names[c].resize(n);
        p.ctrl_tags[c].assign(n, nullptr);
    }
    p.pv_names.resize(n);
    p.import_names.resize(n);
    p.pv_values.resize(n);
    p.import_values.resize(n);
    p.sp_init_values.resize(n);
    p.op_init_values.resize(n);
    p.import_conversions.assign(n, kFloat);
    p.pv_tags.assign(n, nullptr);
    p.import_tags.assign(n, nullptr);
    p.sp_items.assign(n, nullptr);
    p.op_items.assign(n, nullptr);
    p.import_items.assign(n, nullptr);
    p.sp_read.assign(n, 0.0f);
    p.op_read.assign(n, 0.0f);
    p.import_read.assign(n, 0);
}

void FloorConfigure(FloorPlan& p)
{
    ApiStartup();
    DataServicesStartup(&p.context);
    for (int i = 0; i < kSettleRounds; ++i) ServiceEvents();

    ValidateTagName(p.array_name);
    p.array_tag = OpenTag(p.array_name);
    GetTagStatus(p.array_tag);
    GetArrayDims(p.array_tag);
    GetArrayLowerBound(p.array_tag, 1);
    GetArrayUpperBound(p.array_tag, 1);

    ServiceEvents();
    for (int32_t r = 0; r < p.rows; ++r) {
        for (int c = 0; c < CTRL_COLUMNS; ++c) BindRow(p.ctrl_names[c][r], &p.ctrl_tags[c][r]);
    }
    ServiceEvents();
    for (int32_t r = 0; r < p.rows; ++r) BindRow(p.pv_names[r], &p.pv_tags[r]);
    ServiceEvents();
    for (int32_t r = 0; r < p.rows; ++r) BindRow(p.import_names[r], &p.import_tags[r]);

    p.sp_list = CreateTagList();
    p.op_list = CreateTagList();
    for (int32_t r = 0; r < p.rows; ++r) {
        p.sp_items[r] = AddTagToList(p.sp_list, p.ctrl_names[0][r]);
        p.op_items[r] = AddTagToList(p.op_list, p.ctrl_names[1][r]);
    }
    p.import_list = CreateTagList();
    for (int32_t r = 0; r < p.rows; ++r)
        p.import_items[r] = AddTagToList(p.import_list, p.import_names[r]);
}

void FloorReset(FloorPlan& p)
{
    EmptyList(p.sp_list);
    EmptyList(p.op_list);
    EmptyList(p.import_list);
    for (int32_t r = 0; r < p.rows; ++r) {
        CloseTag(p.pv_tags[r]);
        ServiceEvents();
    }
    for (int32_t r = 0; r < p.rows; ++r) {
        CloseTag(p.import_tags[r]);
        ServiceEvents();
    }
    for (int32_t r = 0; r < p.rows; ++r) {
        for (int c : kCloseOrder) CloseTag(p.ctrl_tags[c][r]);
        ServiceEvents();
    }
    CloseTag(p.array_tag);
    ServiceEvents();
    DataServicesShutdown();
    ApiShutdown();
}

int32_t FloorInitialize(FloorPlan& p)
{
    WriteArray(p);
    for (int32_t r = 0; r < p.rows; ++r) WriteRow(p.import_tags[r], &p.import_values[r], kFloat);
    const int32_t manual = 0;
    for (int32_t r = 0; r < p.rows; ++r) WriteRow(p.ctrl_tags[2][r], &manual, kInt);
    for (int32_t r = 0; r < p.rows; ++r) {
        WriteRow(p.ctrl_tags[4][r], &p.op_init_values[r], kFloat);
        WriteRow(p.ctrl_tags[3][r], &p.sp_init_values[r], kFloat);
    }
    return ServiceEvents();
}

void FloorSimulateArray(FloorPlan& p)
{
    ServiceEvents();
    ReadAllLists(p);
    WriteArray(p);
    ServiceEvents();
}

void FloorSimulatePerTag(FloorPlan& p)
{
    ServiceEvents();
    ReadAllLists(p);
    GetTagStatus(p.array_tag);
    for (int32_t r = 0; r < p.rows; ++r) WriteRow(p.pv_tags[r], &p.pv_values[r], kFloat);
    ServiceEvents();
}
