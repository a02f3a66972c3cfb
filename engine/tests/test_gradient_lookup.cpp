// GetColor against the walk it replaces: from the first key through NextKey,
// one scan of every key per step. The walk is kept here, with its own scans,
// as the reference; every answer must match it bit for bit, on gradients as
// damaged files hold them and after every way the keys can change.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "gradient/gradient.h"
#include "model/node_stream.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Every NaN given to a lookup here is the one the machine makes for inf - inf.
// Where two NaNs meet in one operation, which of them comes out depends on
// the operand order the compiler picks, not on the source: NaNs of one kind
// keep that choice from making the same arithmetic look different.
const double kNaN = [] {
    volatile double inf = kInf;
    return inf - inf;
}();

// --- The reference walk ----------------------------------------------------

const GValue* WalkFirst(const Gradient& g)
{
    const GValue* best = nullptr;
    for (int32_t i = 0; i < g.Count(); ++i) {
        const GValue* key = g.Key(i);
        if (best == nullptr || key->position < best->position) {
            best = key;
        }
    }
    return best;
}

const GValue* WalkNext(const Gradient& g, const GValue* key)
{
    const double from = key->position;
    const GValue* best = nullptr;
    for (int32_t i = 0; i < g.Count(); ++i) {
        const GValue* k = g.Key(i);
        if (k->position > from && (best == nullptr || k->position < best->position)) {
            best = k;
        }
    }
    return best;
}

void WalkCopy(const GValue& key, double rgb[3], double* alpha)
{
    rgb[0] = key.r;
    rgb[1] = key.g;
    rgb[2] = key.b;
    if (alpha != nullptr) {
        *alpha = key.alpha;
    }
}

bool WalkColor(const Gradient& g, double x, double rgb[3], double* alpha)
{
    if (g.Count() < 2) {
        return false;
    }
    const GValue* first = WalkFirst(g);
    const GValue* p = first;
    const GValue* q = WalkNext(g, p);
    if (q == nullptr) {
        WalkCopy(*first, rgb, alpha);
        return true;
    }
    while (x < p->position || x > q->position) {
        p = q;
        q = WalkNext(g, p);
        if (q == nullptr) {
            WalkCopy(x > p->position ? *p : *first, rgb, alpha);
            return true;
        }
    }
    const double t = (x - p->position) / (q->position - p->position);
    rgb[0] = (1.0 - t) * p->r + t * q->r;
    rgb[1] = (1.0 - t) * p->g + t * q->g;
    rgb[2] = (1.0 - t) * p->b + t * q->b;
    if (alpha != nullptr) {
        *alpha = (1.0 - t) * p->alpha + t * q->alpha;
    }
    return true;
}

// --- Random gradients -------------------------------------------------------

class Keys {
public:
    explicit Keys(uint64_t seed) : random_(seed) {}

    // Few values, so that positions repeat; both zeros, every kind of
    // non-finite value a damaged file can hold, and spans too wide or too
    // narrow to divide evenly.
    double Position()
    {
        static const double pool[] = {-0.0, 0.0,   0.5,   1.0,    -1.0,  0.25,  kNaN,
                                      kInf, -kInf, 1e300, -1e308, 1e308, 5e-324};
        if (Below(3) == 0) {
            return Between(-2.0, 2.0);
        }
        return pool[Below(std::size(pool))];
    }
    // Colours with signed zeros and NaN too: a key chosen wrongly among
    // those sharing a position shows up even where the values agree.
    double Channel()
    {
        static const double pool[] = {-0.0, 0.0, 1.0, -1.0, kNaN, 0.5};
        if (Below(2) == 0) {
            return Between(-1.0, 2.0);
        }
        return pool[Below(std::size(pool))];
    }
    std::unique_ptr<GValue> Key()
    {
        // Braced initialisers run left to right: one draw order everywhere.
        return std::make_unique<GValue>(
            GValue{Position(), Channel(), Channel(), Channel(), Channel()});
    }

    // Fills g with 0 to 40 new keys; now and then all at one position.
    void Fill(Gradient& g)
    {
        g.Clear();
        const size_t count = Below(41);
        const bool onePosition = Below(8) == 0;
        const double shared = Position();
        for (size_t i = 0; i < count; ++i) {
            auto key = Key();
            if (onePosition) {
                key->position = shared;
            }
            g.AddKey(std::move(key));
        }
    }

    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
    double Between(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }

private:
    std::mt19937_64 random_;
};

// Every x worth asking: non-finite and signed-zero inputs, each key's
// position and the doubles just beside it, points between keys and beyond.
std::vector<double> Probes(const Gradient& g, Keys& random)
{
    std::vector<double> xs = {kNaN, -kInf, kInf, 0.0, -0.0, -3.0, 3.0, 1e308, -1e308};
    for (int32_t i = 0; i < g.Count(); ++i) {
        const double p = g.Key(i)->position;
        xs.push_back(p);
        xs.push_back(std::nextafter(p, -kInf));
        xs.push_back(std::nextafter(p, kInf));
        const double other = g.Key(static_cast<int32_t>(random.Below(g.Count())))->position;
        xs.push_back(p + (other - p) * random.Between(0.0, 1.0));
    }
    for (int i = 0; i < 8; ++i) {
        xs.push_back(random.Between(-2.5, 2.5));
    }
    return xs;
}

// Both lookups at every probe, with and without alpha, into outputs that
// start out alike: results, written bits and untouched bits must all agree.
void ExpectSameAsTheWalk(const Gradient& g, Keys& random)
{
    for (const double x : Probes(g, random)) {
        for (const bool withAlpha : {true, false}) {
            double got[4] = {-7.0, -7.0, -7.0, -7.0};
            double want[4] = {-7.0, -7.0, -7.0, -7.0};
            const bool gotResult = g.GetColor(x, got, withAlpha ? &got[3] : nullptr);
            const bool wantResult = WalkColor(g, x, want, withAlpha ? &want[3] : nullptr);
            ASSERT_EQ(gotResult, wantResult) << "x " << x;
            ASSERT_EQ(std::memcmp(got, want, sizeof got), 0)
                << "x " << x << ", keys " << g.Count() << ", alpha " << withAlpha;
        }
    }
}

}  // namespace

TEST(GradientLookup, MatchesTheWalkOnRandomGradients)
{
    Keys random(20240611);
    for (int round = 0; round < 4000; ++round) {
        Gradient g;
        random.Fill(g);
        ASSERT_NO_FATAL_FAILURE(ExpectSameAsTheWalk(g, random)) << "round " << round;
    }
}

// Every way the keys change, one after another on the same gradient, each
// followed by lookups: the order kept for them must never fall behind.
TEST(GradientLookup, FollowsEveryChangeToTheKeys)
{
    Keys random(99);
    Gradient g;
    random.Fill(g);
    for (int step = 0; step < 3000; ++step) {
        const size_t change = random.Below(6);
        switch (change) {
        case 0:
            g.AddKey(random.Key());
            break;
        case 1:
            if (g.Count() > 0) {
                g.RemoveKey(g.Key(static_cast<int32_t>(random.Below(g.Count()))));
            }
            break;
        case 2:  // keys moved through pointers, as the editor moves them
            for (int32_t i = 0; i < g.Count(); ++i) {
                if (random.Below(3) == 0) {
                    g.Key(i)->position = random.Position();
                }
            }
            g.KeysMoved();
            break;
        case 3:  // colours written through pointers need no call
            for (int32_t i = 0; i < g.Count(); ++i) {
                g.Key(i)->r = random.Channel();
                g.Key(i)->alpha = random.Channel();
            }
            break;
        case 4: {  // replaced by a stored block
            Gradient other;
            random.Fill(other);
            NBufferStream block(16);
            other.Save(block);
            block.position = 0;
            g.Load(block);
            break;
        }
        default:
            if (random.Below(4) == 0) {
                g.Clear();
            } else {
                random.Fill(g);
            }
            break;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSameAsTheWalk(g, random))
            << "step " << step << ", change " << change;
    }
}
