// An include from the data layer up to the link layer, which the check must refuse.
#pragma once

#include "dcs/link/bind.h"
