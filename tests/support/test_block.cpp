#include "tests/support/test_block.h"

#include "dcs/driver/entry_points.h"

TestBlock::TestBlock(bool declare)
{
    if (declare) DCSLoad(get());
    Lay();
}
