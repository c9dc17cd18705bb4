// A controller row's five tag columns, in the order the driver declares and
// binds them: the scenario's key, the driver's caption, the context of the
// driver's report when a column's tag cannot be opened, and whether the
// driver writes the tag as an integer (the mode).
#pragma once

struct CtrlTagColumn {
    const char* key;
    const char* caption;
    const char* context;
    bool integer;
};

// clang-format off
inline constexpr CtrlTagColumn kCtrlTagColumns[] = {
    {"sp_tag",      "SP TAG",      "for Controller Setpoint Tag Handle",      false},
    {"op_tag",      "OP TAG",      "for Controller Output Tag Handle",        false},
    {"mode_tag",    "Mode TAG",    "for Controller Mode Tag Handle",          true},
    {"sp_init_tag", "SP Init TAG", "for Controller Setpoint Init Tag Handle", false},
    {"op_init_tag", "OP Init TAG", "for Controller Output Init Tag Handle",   false},
};
// clang-format on
