#include "output/decimal_digits.h"

namespace torvane {

char* PutMillionsAndUp(char* out, std::uint32_t value)
{
    if (value < 1000000000) {
        out = PutLeadingGroup(out, value / 1000000);
    } else {
        out = PutLeadingGroup(out, value / 1000000000);
        out = PutInnerGroup(out, value / 1000000 % 1000);
    }
    out = PutInnerGroup(out, value / 1000 % 1000);
    return PutInnerGroup(out, value % 1000);
}

}  // namespace torvane
