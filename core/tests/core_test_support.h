#pragma once
// Records and checks shared by the qm_core host tests.

#include <cctype>
#include <cstring>
#include <string>

#include <qm_core.h>

namespace coretest {

constexpr double kSentinel = 7.0;

// A sample with frame 1 and every normal along +Y; every output byte holds
// the sentinel.
inline ShadeRecord Sample()
{
    ShadeRecord r;
    double* all = reinterpret_cast<double*>(&r);
    for (size_t i = 0; i < sizeof r / sizeof(double); ++i) {
        all[i] = kSentinel;
    }
    const double up[3] = {0.0, 1.0, 0.0};
    for (int c = 0; c < 3; ++c) {
        r.worldPos[c] = 0.5 * c;
        r.objectPos[c] = 0.25 * c;
        r.normal[c] = r.objectNormal[c] = r.baseNormal[c] = r.objectBaseNormal[c] = up[c];
        r.incident[c] = -up[c];
    }
    r.u = 0.3;
    r.v = 0.6;
    r.frame = 1.0;
    r.filterSize = r.objectFilterSize = 0.01;
    r.du = r.dv = 0.001;
    return r;
}

// The twelve doubles of user1 to user4, read as one array.
inline const double* UserColors(const ShadeRecord& r)
{
    return reinterpret_cast<const double*>(&r) + offsetof(ShadeRecord, user1) / sizeof(double);
}

inline std::string Upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

inline bool SameBytes(const void* a, const void* b, size_t from, size_t to)
{
    return std::memcmp(static_cast<const char*>(a) + from, static_cast<const char*>(b) + from,
                       to - from) == 0;
}

}  // namespace coretest
