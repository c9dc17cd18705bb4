// Whether a host message or a message box is one the driver may raise: its
// key, the kinds and values of its arguments, its box caption and text. Used
// by the reliability tests and the fuzzer, so it depends on no test framework.
#pragma once

#include <cstdint>
#include <string>

#include "standins/iface/iface_control.h"

// Row counts of the block the messages are about: a row argument must name
// a row the driver walks.
struct CatalogueRows {
    int32_t ctrl;
    int32_t pv;
    int32_t import;
};

// Empty when the message fits the catalogue, else what is wrong with it.
std::string CheckMessage(const IFaceMessage& message, const CatalogueRows& rows);
std::string CheckBox(const char* caption, const char* text, uint32_t type,
                     const CatalogueRows& rows);
