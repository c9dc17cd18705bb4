// The readers: one bulk read per tag list, then every row's item. A failing
// row is reported and passed over; only a failed list read ends a reader.
#include <cstdio>

#include "dcs/data/columns.h"
#include "dcs/diag/report.h"
#include "dcs/link/exchange.h"

namespace {

// IO status, then data quality, of an item of a list just read.
uint8_t CheckItem(VnxHandle item, MessageKey key, int32_t row)
{
    int32_t io = GetIOStatus(item, 0);
    if (io != 1) {
        ReportIOStatus(io, key, row);
        return 0;
    }
    int32_t quality = GetDataQuality(item, 0);
    if (quality != 0) {
        ReportDataQuality(quality, key, row);
        return 0;
    }
    return 1;
}

// The read's status becomes the pass status, which later missing-item reports carry.
uint8_t ReadItemValue(VnxHandle item, void* buffer, int32_t conversion, MessageKey key, int32_t row,
                      int16_t* pass_status)
{
    *pass_status = GetTagValue(item, 0, buffer, conversion, 0, 0);
    if (*pass_status != 0) {
        ReportVendorStatus(*pass_status, key, row, "");
        return 0;
    }
    return 1;
}

uint8_t ReadFloatItem(VnxHandle item, MessageKey key, int32_t row, int16_t* pass_status,
                      float* value)
{
    if (!CheckItem(item, key, row)) return 0;
    return ReadItemValue(item, value, VNX_CONV_FLOAT, key, row, pass_status);
}

uint8_t ReadCtrlList(VnxHandle list, const char* context, int16_t* pass_status)
{
    if (!list) return 1;
    *pass_status = ReadTagList(list);
    if (*pass_status == 0) return 1;
    ReportVendorStatus(*pass_status, MSG_GENERAL_VENDOR_2, -1, context);
    return 0;
}

void ReadCtrlOP(DCSData* data, int32_t row, int16_t* pass_status)
{
    VnxHandle item = Driver.CtrlOPItems[row];
    if (!item) {
        ReportVendorStatus(*pass_status, MSG_CTRL_OP_VENDOR, row, "");
        return;
    }
    float value = 0.0f;
    if (!ReadFloatItem(item, MSG_CTRL_OP_VENDOR, row, pass_status, &value)) return;
    // Percent in the control system, a fraction in the host.
    SetCtrlOP(data, row, static_cast<double>(value) * 0.01);
}

void ReadCtrlSP(DCSData* data, int32_t row, int16_t* pass_status)
{
    VnxHandle item = Driver.CtrlSPItems[row];
    if (!item) return;
    float value = 0.0f;
    if (!ReadFloatItem(item, MSG_CTRL_SP_VENDOR, row, pass_status, &value)) return;
    SetCtrlSP(data, row, static_cast<double>(value));
}

// An integer import holds a 16-bit value in 32 bits; "Controller Mode" counts
// from 1 on the host's side. The +1 wraps in 32 bits rather than overflow.
double IntImportValue(int32_t raw, int32_t mapping)
{
    uint32_t n = static_cast<uint32_t>(raw);
    if (mapping == MAPPING_CONTROLLER_MODE) n += 1u;
    int32_t low = static_cast<int32_t>(n & 0xFFFFu);
    if (low >= 0x8000) low -= 0x10000;
    return static_cast<double>(low);
}

void ShowUnhandledType(int32_t data_type, int32_t row)
{
    char text[80];
    std::snprintf(text, sizeof text, "Unhandled data type %x for PVImport at %d",
                  static_cast<unsigned>(data_type), static_cast<int>(row));
    ShowMessageBox(text, "Warning");
}

void ReadImportRow(DCSData* data, int32_t row, int16_t* pass_status)
{
    VnxHandle item = Driver.PVImportItems[row];
    if (!item) {
        ReportVendorStatus(*pass_status, MSG_PVIMPORT_VENDOR, row, "");
        return;
    }
    if (!CheckItem(item, MSG_PVIMPORT_VENDOR, row)) return;
    int32_t data_type = GetTagDataType(item);
    if (data_type == VNX_TYPE_FLOAT) {
        float value = 0.0f;
        if (!ReadItemValue(item, &value, VNX_CONV_FLOAT, MSG_PVIMPORT_VENDOR, row, pass_status)) {
            return;
        }
        SetPVImportValue(data, row, static_cast<double>(value));
    } else if (data_type == VNX_TYPE_INT) {
        int32_t value = 0;
        if (!ReadItemValue(item, &value, VNX_CONV_INT, MSG_PVIMPORT_VENDOR, row, pass_status)) {
            return;
        }
        int32_t mapping = GetPVImportCellInt(data, row, IMPORT_COL_MAPPING);
        SetPVImportValue(data, row, IntImportValue(value, mapping));
    } else {
        ShowUnhandledType(data_type, row);
    }
}

}  // namespace

uint8_t ReadCtrlLists(DCSData* data, uint8_t skip_sp, uint8_t skip_op)
{
    if (skip_sp && skip_op) return 1;
    int16_t pass_status = 0;
    if (!skip_op &&
        !ReadCtrlList(Driver.OPTagList, "for Controller Output Tag List", &pass_status)) {
        return 0;
    }
    // A failed SP list read leaves the OP values, already read, unstored too.
    if (!skip_sp &&
        !ReadCtrlList(Driver.SPTagList, "for Controller Setpoint Tag List", &pass_status)) {
        return 0;
    }
    for (int32_t row = 0; row < RowsToWalk(GetCtrlCount(data), data->CtrlRows); ++row) {
        if (!skip_op && GetCtrlActive(data, row) != 0) ReadCtrlOP(data, row, &pass_status);
        // Inactive controllers still follow their setpoint.
        if (!skip_sp) ReadCtrlSP(data, row, &pass_status);
    }
    return 1;
}

uint8_t ReadPVImportList(DCSData* data, uint8_t skip)
{
    if (skip) return 1;
    int16_t pass_status = 0;
    if (Driver.PVImportTagList && GetPVImportCount(data) > 0) {
        pass_status = ReadTagList(Driver.PVImportTagList);
        if (pass_status != 0) {
            ReportVendorStatus(pass_status, MSG_GENERAL_VENDOR_2, -1, "for PV Import Tag List");
            return 0;
        }
    }
    for (int32_t row = 0; row < RowsToWalk(GetPVImportCount(data), data->PVImportRows); ++row) {
        if (GetPVImportActive(data, row) == 0) continue;
        ReadImportRow(data, row, &pass_status);
    }
    return 1;
}
