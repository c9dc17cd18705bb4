#include "dcs/link/write_chain.h"

#include "dcs/diag/report.h"

uint8_t WriteTagRow(VnxHandle tag, const void* value, int32_t conversion, MessageKey key,
                    int32_t row)
{
    int16_t status = GetTagStatus(tag);
    if (status == 0) status = SetTagValue(tag, 1, value, conversion);
    if (status == 0) status = SendTag(tag);
    if (status == 0) return 1;
    ReportVendorStatus(status, key, row, "");
    return 0;
}
