#include "dcshost/commands/common_options.h"

Option DriverOption(std::string* into, const char* help)
{
    return {"--driver", help, File(into), {ShowDefault()}};
}

Option OutOption(std::string* into)
{
    return {"--out", "directory for the trend files", File(into), {ShowDefault()}};
}

Option NameOption(std::string* into, const char* help) { return {"--name", help, FileStem(into)}; }

Option NoTrendsOption(bool* trends)
{
    return {"--no-trends", "write no trend files", Unset(trends)};
}

Option JsonOption(std::string* into)
{
    return {"--json", "write the result for machines to FILE", File(into)};
}

Option NoSettleWaitOption(bool* settle_wait, const char* help)
{
    return {"--no-settle-wait", help, Unset(settle_wait)};
}
