// The library's pseudo-random generator and every random table it builds.
#include <cmath>
#include <utility>

#include "granulix_internal.h"

namespace granulix {

static_assert(kDrawUnit == 3.051850947599719e-05, "draw unit must be the double nearest 1/32767");

namespace {
thread_local uint32_t rand_state = 1;
}  // namespace

void noise_srand(uint32_t seed)
{
    rand_state = seed;
}

int32_t noise_rand()
{
    rand_state = rand_state * 214013u + 2531011u;
    return static_cast<int32_t>((rand_state >> 16) & 0x7FFFu);
}

int32_t perlin_p[514];
double perlin_g1[514];
double perlin_g2[514][2];
double perlin_g3[514][3];
double value_table[256];
double impulse_table[256][4];
double lattice_gradient_table[256][3];
double filter_table[401];
int32_t cell_perm[3][2048];
double cell_values[2048];

int32_t perlin_pending = 1;
int32_t vnoise_value_built = 0;
int32_t vcnoise_value_built = 0;
int32_t impulse_built = 0;
int32_t lattice_gradient_built = 0;
int32_t filter_built = 0;
int32_t cell_pending = 1;

// Sixteen to a row.
// clang-format off
const uint8_t lattice_perm[256] = {
    225, 155, 210, 108, 175, 199, 221, 144, 203, 116, 70,  213, 69,  158, 33,  252,
    5,   82,  173, 133, 222, 139, 174, 27,  9,   71,  90,  246, 75,  130, 91,  191,
    169, 138, 2,   151, 194, 235, 81,  7,   25,  113, 228, 159, 205, 253, 134, 142,
    248, 65,  224, 217, 22,  121, 229, 63,  89,  103, 96,  104, 156, 17,  201, 129,
    36,  8,   165, 110, 237, 117, 231, 56,  132, 211, 152, 20,  181, 111, 239, 218,
    170, 163, 51,  172, 157, 47,  80,  212, 176, 250, 87,  49,  99,  242, 136, 189,
    162, 115, 44,  43,  124, 94,  150, 16,  141, 247, 32,  10,  198, 223, 255, 72,
    53,  131, 84,  57,  220, 197, 58,  50,  208, 11,  241, 28,  3,   192, 62,  202,
    18,  215, 153, 24,  76,  41,  15,  179, 39,  46,  55,  6,   128, 167, 23,  188,
    106, 34,  187, 140, 164, 73,  112, 182, 244, 195, 227, 13,  35,  77,  196, 185,
    26,  200, 226, 119, 31,  123, 168, 125, 249, 68,  183, 230, 177, 135, 160, 180,
    12,  1,   243, 148, 102, 166, 38,  238, 251, 37,  240, 126, 64,  74,  161, 40,
    184, 149, 171, 178, 101, 66,  29,  59,  146, 61,  254, 107, 42,  86,  154, 4,
    236, 232, 120, 21,  233, 209, 45,  98,  193, 114, 78,  19,  206, 14,  118, 127,
    48,  79,  147, 85,  30,  207, 219, 54,  88,  234, 190, 122, 95,  67,  143, 109,
    137, 214, 145, 93,  92,  100, 245, 0,   216, 186, 60,  83,  105, 97,  204, 52,
};
// clang-format on

namespace {

// Uniform number in [0, 1] from the next draw.
double draw_unit()
{
    return static_cast<double>(noise_rand()) * kDrawUnit;
}

// Uniform number in [-1, 1] from the next draw.
double draw_signed()
{
    return draw_unit() * -2.0 + 1.0;
}

// Gradient component from the next draw: [-1, 0.99609375] in steps of 1/256.
double draw_gradient()
{
    return static_cast<double>((noise_rand() % 512) - 256) * 0.00390625;
}

}  // namespace

void init_gradient_tables()
{
    for (int i = 0; i < 256; ++i) {
        perlin_p[i] = i;
        perlin_g1[i] = draw_gradient();

        double* g2 = perlin_g2[i];
        g2[0] = draw_gradient();
        g2[1] = draw_gradient();
        const double len2 = std::sqrt(g2[0] * g2[0] + g2[1] * g2[1]);
        if (len2 != 0.0) {  // an all-zero draw stays the zero vector
            g2[0] = g2[0] / len2;
            g2[1] = g2[1] / len2;
        }

        double* g3 = perlin_g3[i];
        g3[0] = draw_gradient();
        g3[1] = draw_gradient();
        g3[2] = draw_gradient();
        const double len3 = std::sqrt(g3[0] * g3[0] + g3[1] * g3[1] + g3[2] * g3[2]);
        if (len3 != 0.0) {
            g3[0] = g3[0] / len3;
            g3[1] = g3[1] / len3;
            g3[2] = g3[2] / len3;
        }
    }

    for (int i = 255; i > 0; --i) {
        const int j = noise_rand() & 255;
        std::swap(perlin_p[i], perlin_p[j]);
    }

    // Repeat the first 258 entries so that indices up to 513 need no wrapping.
    for (int i = 0; i < 258; ++i) {
        perlin_p[256 + i] = perlin_p[i];
        perlin_g1[256 + i] = perlin_g1[i];
        perlin_g2[256 + i][0] = perlin_g2[i][0];
        perlin_g2[256 + i][1] = perlin_g2[i][1];
        perlin_g3[256 + i][0] = perlin_g3[i][0];
        perlin_g3[256 + i][1] = perlin_g3[i][1];
        perlin_g3[256 + i][2] = perlin_g3[i][2];
    }
}

void init_value_table()
{
    noise_srand(665);
    for (double& v : value_table) v = draw_signed();
}

void init_impulse_table()
{
    noise_srand(665);
    for (auto& impulse : impulse_table) {
        impulse[0] = draw_unit();
        impulse[1] = draw_unit();
        impulse[2] = draw_unit();
        impulse[3] = draw_signed();
    }
}

void init_lattice_gradient_table()
{
    noise_srand(665);
    for (auto& g : lattice_gradient_table) {
        const double z = draw_signed();
        const double rho = std::sqrt(1.0 - z * z);
        const double theta = draw_unit() * 6.283185307179586;
        g[0] = rho * std::cos(theta);
        g[1] = rho * std::sin(theta);
        g[2] = z;
    }
}

void init_filter_table()
{
    for (int i = 0; i <= 400; ++i) {
        const double x = std::sqrt(static_cast<double>(i) * 0.01);
        if (x < 1.0)
            filter_table[i] = 0.5 * (2.0 + x * x * (3.0 * x - 5.0));
        else
            filter_table[i] = 0.5 * (4.0 + x * (-8.0 + x * (5.0 - x)));
    }
}

void init_cell_tables()
{
    noise_srand(808);
    cell_pending = 0;
    for (auto& perm : cell_perm)
        for (int i = 0; i < 2048; ++i) perm[i] = i;
    for (auto& perm : cell_perm) {
        for (int i = 0; i < 2048; ++i) {
            const int j = noise_rand() >> 4;  // trunc(r / 32768 * 2048)
            std::swap(perm[i], perm[j]);
        }
    }
    for (double& v : cell_values) v = draw_signed();
}

}  // namespace granulix
