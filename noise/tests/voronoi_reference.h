// The Voronoi search as it stood before it was split into a candidate phase
// and a selection phase: one loop over the 27 cells that updates the running
// nearest and second-nearest as it goes. Kept unchanged as the reference the
// faster search is compared with, bit for bit (tests) and in time (bench).
#pragma once

#include "granulix_internal.h"

namespace voronoi_reference {

using namespace granulix;

template <bool kSecond>
inline void search(const double* P, double jitter, double& d1, double* pos1, double& d2,
                   double* pos2)
{
    ensure_cell_tables();
    const double P0 = P[0], P1 = P[1], P2 = P[2];
    d1 = 1000.0;
    d2 = 1000.0;
    double best1[3] = {P0, P1, P2};
    double best2[3] = {P0, P1, P2};

    double cx[3], cy[3], cz[3];
    int32_t ix[3], iy[3], iz[3];
    const double c0 = std::floor(P0) + 0.5, c1 = std::floor(P1) + 0.5, c2 = std::floor(P2) + 0.5;
    for (int n = 0; n < 3; ++n) {
        cx[n] = c0 + (n - 1);
        cy[n] = c1 + (n - 1);
        cz[n] = c2 + (n - 1);
        ix[n] = floor_int32(cx[n]);
        iy[n] = floor_int32(cy[n]);
        iz[n] = floor_int32(cz[n]);
    }

    for (int i = 0; i < 3; ++i) {
        const int32_t hx0 = cell_index(0, ix[i]);
        const int32_t hx1 = cell_index(1, ix[i]);
        const int32_t hx2 = cell_index(2, ix[i]);
        for (int j = 0; j < 3; ++j) {
            const int32_t hy0 = cell_step(0, hx0, iy[j]);
            const int32_t hy1 = cell_step(1, hx1, iy[j]);
            const int32_t hy2 = cell_step(2, hx2, iy[j]);
            for (int k = 0; k < 3; ++k) {
                const double o0 = cell_values[cell_step(0, hy0, iz[k])];
                const double o1 = cell_values[cell_step(1, hy1, iz[k])];
                const double o2 = cell_values[cell_step(2, hy2, iz[k])];
                const double F0 = cx[i] + (o0 * jitter) * 0.5;
                const double F1 = cy[j] + (o1 * jitter) * 0.5;
                const double F2 = cz[k] + (o2 * jitter) * 0.5;
                const double dx = F0 - P0, dy = F1 - P1, dz = F2 - P2;
                const double d = dx * dx + (dy * dy + dz * dz);
                if (d < d1) {
                    if constexpr (kSecond) {
                        d2 = d1;
                        best2[0] = best1[0];
                        best2[1] = best1[1];
                        best2[2] = best1[2];
                    }
                    d1 = d;
                    best1[0] = F0;
                    best1[1] = F1;
                    best1[2] = F2;
                } else if (kSecond && d < d2) {
                    d2 = d;
                    best2[0] = F0;
                    best2[1] = F1;
                    best2[2] = F2;
                }
            }
        }
    }
    pos1[0] = best1[0];
    pos1[1] = best1[1];
    pos1[2] = best1[2];
    if constexpr (kSecond) {
        pos2[0] = best2[0];
        pos2[1] = best2[1];
        pos2[2] = best2[2];
    }
}

inline void f1(const double* P, double jitter, double* f1, double* pos1)
{
    double d1, d2;
    search<false>(P, jitter, d1, pos1, d2, nullptr);
    *f1 = std::sqrt(d1);
}

inline void f1f2(const double* P, double jitter, double* f1, double* pos1, double* f2, double* pos2)
{
    double d1, d2;
    search<true>(P, jitter, d1, pos1, d2, pos2);
    *f1 = std::sqrt(d1);
    *f2 = std::sqrt(d2);
}

}  // namespace voronoi_reference
