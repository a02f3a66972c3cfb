// Cell noise over the 2048-periodic integer lattice and the Voronoi distances
// to jittered feature points, one per unit cell.
#include "granulix.h"
#include "granulix_internal.h"

namespace granulix {
namespace {

// The Voronoi search over the 27 cells around P runs in two phases: first
// every candidate's feature point and squared distance, in scan order (x
// outermost, z innermost), then a running scan of the distances that keeps
// the nearest two. With the selection apart, the table lookups of all 27
// candidates overlap instead of waiting behind its hard-to-predict
// comparisons.
//
// The selection compares strictly: of candidates at equal distance the
// earlier one in scan order is the nearer, a candidate that ties the nearest
// becomes the second, a not-a-number distance never counts, and only
// distances below the sentinel 1000 do. A distance that no candidate beats
// keeps the query point as its position. Outputs are written at the end, so
// they may alias P.
struct VoronoiCandidates {
    // Feature points and squared distances; entry 27 is the query point, the
    // position of a distance left at its sentinel.
    double x[28], y[28], z[28];
    double d[27];
};

inline void voronoi_candidates(const double* P, double jitter, VoronoiCandidates& c)
{
    ensure_cell_tables();
    const double P0 = P[0], P1 = P[1], P2 = P[2];

    // Candidate centres and their cells along each axis (candidate i on an axis
    // has centre floor(P) + 0.5 + i whatever the other two axes are).
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

    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const int32_t hx0 = cell_index(0, ix[i]);
        const int32_t hx1 = cell_index(1, ix[i]);
        const int32_t hx2 = cell_index(2, ix[i]);
        for (int j = 0; j < 3; ++j) {
            const int32_t hy0 = cell_step(0, hx0, iy[j]);
            const int32_t hy1 = cell_step(1, hx1, iy[j]);
            const int32_t hy2 = cell_step(2, hx2, iy[j]);
            for (int k = 0; k < 3; ++k, ++n) {
                const double o0 = cell_values[cell_step(0, hy0, iz[k])];
                const double o1 = cell_values[cell_step(1, hy1, iz[k])];
                const double o2 = cell_values[cell_step(2, hy2, iz[k])];
                const double F0 = cx[i] + (o0 * jitter) * 0.5;
                const double F1 = cy[j] + (o1 * jitter) * 0.5;
                const double F2 = cz[k] + (o2 * jitter) * 0.5;
                const double dx = F0 - P0, dy = F1 - P1, dz = F2 - P2;
                c.x[n] = F0;
                c.y[n] = F1;
                c.z[n] = F2;
                c.d[n] = dx * dx + (dy * dy + dz * dz);
            }
        }
    }
    c.x[27] = P0;
    c.y[27] = P1;
    c.z[27] = P2;
}

inline void copy_position(const VoronoiCandidates& c, int index, double* pos)
{
    pos[0] = c.x[index];
    pos[1] = c.y[index];
    pos[2] = c.z[index];
}

}  // namespace

void voronoi_f1_core(const double* P, double jitter, double* f1, double* pos1)
{
    VoronoiCandidates c;
    voronoi_candidates(P, jitter, c);
    double d1 = 1000.0;
    int i1 = 27;
    for (int n = 0; n < 27; ++n) {
        if (c.d[n] < d1) {
            d1 = c.d[n];
            i1 = n;
        }
    }
    copy_position(c, i1, pos1);
    *f1 = std::sqrt(d1);
}

void voronoi_f1f2_core(const double* P, double jitter, double* f1, double* pos1, double* f2,
                       double* pos2)
{
    VoronoiCandidates c;
    voronoi_candidates(P, jitter, c);
    double d1 = 1000.0, d2 = 1000.0;
    int i1 = 27, i2 = 27;
    for (int n = 0; n < 27; ++n) {
        const double d = c.d[n];
        if (d < d1) {
            d2 = d1;
            i2 = i1;
            d1 = d;
            i1 = n;
        } else if (d < d2) {
            d2 = d;
            i2 = n;
        }
    }
    copy_position(c, i1, pos1);
    copy_position(c, i2, pos2);
    *f1 = std::sqrt(d1);
    *f2 = std::sqrt(d2);
}

}  // namespace granulix

using namespace granulix;

extern "C" {

double cellnoise1(double x)
{
    ensure_cell_tables();
    return cell_values[cell_index(0, floor_int32(x))];
}

double cellnoise2(double x, double y)
{
    ensure_cell_tables();
    return cell_values[cell_index(0, floor_int32(x), floor_int32(y))];
}

double cellnoise3(const double* p)
{
    ensure_cell_tables();
    return cell_values[cell_index(0, floor_int32(p[0]), floor_int32(p[1]), floor_int32(p[2]))];
}

double cellnoise4(const double* p, double t)
{
    ensure_cell_tables();
    return cell_values[cell_index(0, floor_int32(p[0]), floor_int32(p[1]), floor_int32(p[2]),
                                  floor_int32(t))];
}

void vcellnoise1(double x, double* out)
{
    ensure_cell_tables();
    const int32_t fx = floor_int32(x);
    for (int k = 0; k < 3; ++k) out[k] = cell_values[cell_index(k, fx)];
}

void vcellnoise2(double x, double y, double* out)
{
    ensure_cell_tables();
    const int32_t fx = floor_int32(x), fy = floor_int32(y);
    for (int k = 0; k < 3; ++k) out[k] = cell_values[cell_index(k, fx, fy)];
}

void vcellnoise3(const double* p, double* out)
{
    ensure_cell_tables();
    const int32_t fx = floor_int32(p[0]), fy = floor_int32(p[1]), fz = floor_int32(p[2]);
    for (int k = 0; k < 3; ++k) out[k] = cell_values[cell_index(k, fx, fy, fz)];
}

void vcellnoise4(const double* p, double t, double* out)
{
    ensure_cell_tables();
    const int32_t fx = floor_int32(p[0]), fy = floor_int32(p[1]), fz = floor_int32(p[2]);
    const int32_t ft = floor_int32(t);
    for (int k = 0; k < 3; ++k) out[k] = cell_values[cell_index(k, fx, fy, fz, ft)];
}

void voronoi_f1(const double* P, double jitter, double* f1, double* pos1)
{
    voronoi_f1_core(P, jitter, f1, pos1);
}

void voronoi_f1f2(const double* P, double jitter, double* f1, double* pos1, double* f2,
                  double* pos2)
{
    voronoi_f1f2_core(P, jitter, f1, pos1, f2, pos2);
}

double crumple(const double* p, double jitter, int32_t octaves, double lacunarity, double gain)
{
    ensure_cell_tables();
    return octave_mean(p, octaves, lacunarity, gain, [jitter](const double* q) {
        double f1, pos1[3];
        voronoi_f1_core(q, jitter, &f1, pos1);
        return f1;
    });
}

double crumple2(const double* p, double jitter, int32_t octaves, double lacunarity, double gain)
{
    ensure_cell_tables();
    return octave_mean(p, octaves, lacunarity, gain, [jitter](const double* q) {
        double f1, pos1[3], f2, pos2[3];
        voronoi_f1f2_core(q, jitter, &f1, pos1, &f2, pos2);
        return f2;
    });
}

}  // extern "C"
