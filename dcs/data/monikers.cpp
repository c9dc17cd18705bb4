// Host variable paths, one per possible definition: ":ExtraData." and base + j,
// with ".[]" for the per-row tables. Static, so the block can point into them.
#include "dcs/data/columns.h"
#include "dcs/data/dcs_data.h"

namespace {

// A controller tag column's moniker is the one at its index.
constexpr bool CtrlTagColumnsHaveMonikers()
{
    for (const CtrlTagColumn& c : CtrlTagColumns)
        if (c.col < 0 || c.col >= MAXCTRLFIELDS) return false;
    return true;
}
static_assert(CtrlTagColumnsHaveMonikers(), "every controller tag column within CtrlMonikers");

}  // namespace

const char* const GenMonikers[MAXGENFIELDS] = {
    ":ExtraData.310", ":ExtraData.311", ":ExtraData.312", ":ExtraData.313", ":ExtraData.314",
    ":ExtraData.315", ":ExtraData.316", ":ExtraData.317", ":ExtraData.318", ":ExtraData.319",
    ":ExtraData.320", ":ExtraData.321", ":ExtraData.322", ":ExtraData.323", ":ExtraData.324",
    ":ExtraData.325", ":ExtraData.326", ":ExtraData.327", ":ExtraData.328", ":ExtraData.329",
};

const char* const CtrlMonikers[MAXCTRLFIELDS] = {
    ":ExtraData.340.[]", ":ExtraData.341.[]", ":ExtraData.342.[]", ":ExtraData.343.[]",
    ":ExtraData.344.[]", ":ExtraData.345.[]", ":ExtraData.346.[]", ":ExtraData.347.[]",
    ":ExtraData.348.[]", ":ExtraData.349.[]", ":ExtraData.350.[]", ":ExtraData.351.[]",
    ":ExtraData.352.[]", ":ExtraData.353.[]", ":ExtraData.354.[]", ":ExtraData.355.[]",
    ":ExtraData.356.[]", ":ExtraData.357.[]", ":ExtraData.358.[]", ":ExtraData.359.[]",
};

const char* const PVMonikers[MAXPVFIELDS] = {
    ":ExtraData.375.[]", ":ExtraData.376.[]", ":ExtraData.377.[]", ":ExtraData.378.[]",
    ":ExtraData.379.[]", ":ExtraData.380.[]", ":ExtraData.381.[]", ":ExtraData.382.[]",
    ":ExtraData.383.[]", ":ExtraData.384.[]", ":ExtraData.385.[]", ":ExtraData.386.[]",
    ":ExtraData.387.[]", ":ExtraData.388.[]", ":ExtraData.389.[]", ":ExtraData.390.[]",
    ":ExtraData.391.[]", ":ExtraData.392.[]", ":ExtraData.393.[]", ":ExtraData.394.[]",
    ":ExtraData.395.[]", ":ExtraData.396.[]", ":ExtraData.397.[]", ":ExtraData.398.[]",
    ":ExtraData.399.[]",
};

const char* const PVImportMonikers[MAXPVIMPORTFIELDS] = {
    ":ExtraData.3075.[]", ":ExtraData.3076.[]", ":ExtraData.3077.[]", ":ExtraData.3078.[]",
    ":ExtraData.3079.[]", ":ExtraData.3080.[]", ":ExtraData.3081.[]", ":ExtraData.3082.[]",
    ":ExtraData.3083.[]", ":ExtraData.3084.[]", ":ExtraData.3085.[]", ":ExtraData.3086.[]",
    ":ExtraData.3087.[]", ":ExtraData.3088.[]", ":ExtraData.3089.[]", ":ExtraData.3090.[]",
    ":ExtraData.3091.[]", ":ExtraData.3092.[]", ":ExtraData.3093.[]", ":ExtraData.3094.[]",
    ":ExtraData.3095.[]", ":ExtraData.3096.[]", ":ExtraData.3097.[]", ":ExtraData.3098.[]",
    ":ExtraData.3099.[]",
};
