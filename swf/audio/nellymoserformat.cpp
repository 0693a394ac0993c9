#include "swf/audio/nellymoserformat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace swf::nellymoser {

const std::array<quint8, kBands> kBandSizes = {2, 2, 2, 2, 2, 2, 2, 2,  2,  3,  3, 4,
                                               4, 5, 6, 6, 7, 8, 9, 10, 12, 14, 15};

const std::array<quint16, 64> kFirstEnergy = {
    3134,  5342,  6870,  7792,  8569,  9185,  9744,  10191, 10631, 11061, 11434, 11770, 12116,
    12513, 12925, 13300, 13674, 14027, 14352, 14716, 15117, 15477, 15824, 16157, 16513, 16804,
    17090, 17401, 17679, 17948, 18238, 18520, 18764, 19078, 19381, 19640, 19921, 20205, 20500,
    20813, 21162, 21465, 21794, 22137, 22453, 22756, 23067, 23350, 23636, 23926, 24227, 24521,
    24819, 25107, 25414, 25730, 26120, 26497, 26895, 27344, 27877, 28463, 29426, 31355};

const std::array<qint16, 32> kEnergyStep = {
    -11725, -9420, -7910, -6801, -5948, -5233, -4599, -4039, -3507, -3030, -2596,
    -2170,  -1774, -1383, -1016, -660,  -329,  -1,    337,   696,   1085,  1512,
    1962,   2433,  2968,  3569,  4314,  5279,  6622,  8154,  10076, 12975};

const std::array<float, 127> kLevels = {
    0.0000000000f,
    // one bit
    -0.8472560048f, 0.7224709988f,
    // two bits
    -1.5247479677f, -0.4531480074f, 0.3753609955f, 1.4717899561f,
    // three bits
    -1.9822579622f, -1.1929379702f, -0.5829370022f, -0.0693780035f, 0.3909569979f, 0.9069200158f,
    1.4862740040f, 2.2215409279f,
    // four bits
    -2.3887870312f, -1.8067539930f, -1.4105420113f, -1.0773609877f, -0.7995010018f, -0.5558109879f,
    -0.3334020078f, -0.1324490011f, 0.0568020009f, 0.2548770010f, 0.4773550034f, 0.7386850119f,
    1.0443060398f, 1.3954459429f, 1.8098750114f, 2.3918759823f,
    // five bits
    -2.3893830776f, -1.9884680510f, -1.7514040470f, -1.5643119812f, -1.3922129869f, -1.2164649963f,
    -1.0469499826f, -0.8905100226f, -0.7645580173f, -0.6454579830f, -0.5259280205f, -0.4059549868f,
    -0.3029719889f, -0.2096900046f, -0.1239869967f, -0.0479229987f, 0.0257730000f, 0.1001340002f,
    0.1737180054f, 0.2585540116f, 0.3522900045f, 0.4569880068f, 0.5767750144f, 0.7003160119f,
    0.8425520062f, 1.0093879700f, 1.1821349859f, 1.3534560204f, 1.5320819616f, 1.7332619429f,
    1.9722349644f, 2.3978140354f,
    // six bits
    -2.5756309032f, -2.0573320389f, -1.8984919786f, -1.7727810144f, -1.6662600040f, -1.5742180347f,
    -1.4993319511f, -1.4316639900f, -1.3652280569f, -1.3000990152f, -1.2280930281f, -1.1588579416f,
    -1.0921250582f, -1.0135740042f, -0.9202849865f, -0.8287050128f, -0.7374889851f, -0.6447759867f,
    -0.5590940118f, -0.4857139885f, -0.4110319912f, -0.3459700048f, -0.2851159871f, -0.2341620028f,
    -0.1870580018f, -0.1442500055f, -0.1107169986f, -0.0739680007f, -0.0365610011f, -0.0073290002f,
    0.0203610007f, 0.0479039997f, 0.0751969963f, 0.0980999991f, 0.1220389977f, 0.1458999962f,
    0.1694349945f, 0.1970459968f, 0.2252430022f, 0.2556869984f, 0.2870100141f, 0.3197099864f,
    0.3525829911f, 0.3889069855f, 0.4334920049f, 0.4769459963f, 0.5204820037f, 0.5644530058f,
    0.6122040153f, 0.6685929894f, 0.7341650128f, 0.8032159805f, 0.8784040213f, 0.9566209912f,
    1.0397069454f, 1.1293770075f, 1.2211159468f, 1.3080279827f, 1.4024800062f, 1.5056819916f,
    1.6227730513f, 1.7724959850f, 1.9430880547f, 2.2903931141f};

namespace {

// The allocation is fixed-point arithmetic that encoders reproduce bit for
// bit; it is written with 32-bit wrap-around so that hostile envelopes
// give some allocation instead of undefined behaviour.
constexpr int kBudget = kDetailBits;
constexpr int kOffsetScale = 4228; // ≈ 2^15 · 2048 / 15872: log-energy units per bit
constexpr int kOffsetShift = 19;

qint32 wrap(qint64 value)
{
    return qint32(quint32(quint64(value)));
}

qint32 shiftSigned(qint32 value, int shift)
{
    if (shift >= 32 || shift <= -32)
        return shift > 0 ? 0 : (value < 0 ? -1 : 0);
    if (shift > 0)
        return wrap(qint64(quint64(quint32(value)) << shift));
    return value >> -shift;
}

// Shifts `value` left until its top bit is bit 30 and returns the shift.
int normalise(qint32 &value)
{
    if (value == 0)
        return 31;
    const quint32 magnitude = value < 0 ? quint32(0) - quint32(value) : quint32(value);
    const int shift = 30 - (31 - std::countl_zero(magnitude));
    value = shiftSigned(value, shift);
    return shift;
}

int coefficientBits(qint16 scaled, int point, qint32 offset)
{
    const qint32 b = wrap(qint64(scaled) - offset);
    return std::clamp(((b >> (point - 1)) + 1) >> 1, 0, kMaxCoefficientBits);
}

int totalBits(const std::array<qint16, kCodedCoefficients> &scaled, int point, qint32 offset)
{
    int total = 0;
    for (qint16 s : scaled)
        total += coefficientBits(s, point, offset);
    return total;
}

// Steps the offset from its first estimate until the total crosses the
// budget, then halves the bracket; returns the offset closest to it.
qint32 searchOffset(const std::array<qint16, kCodedCoefficients> &scaled, int point, qint32 offset,
                    int &bits)
{
    qint32 step = bits - kBudget;
    int doublings = 0;
    while (std::abs(step) <= 16383) {
        step *= 2;
        ++doublings;
    }
    step = shiftSigned((step * kOffsetScale) >> 15, point - (kOffsetShift + doublings - 15));
    qint32 lastOffset = offset;
    int lastBits = bits;
    int round = 1;
    for (; round < 20; ++round) {
        lastOffset = offset;
        lastBits = bits;
        offset = wrap(qint64(offset) + step);
        bits = totalBits(scaled, point, offset);
        if ((bits - kBudget) * (lastBits - kBudget) <= 0)
            break;
    }
    // "more" gives more bits than the budget, "fewer" at most the budget.
    qint32 more = lastOffset, fewer = offset;
    int moreBits = lastBits, fewerBits = bits;
    if (bits > kBudget) {
        std::swap(more, fewer);
        std::swap(moreBits, fewerBits);
    }
    for (; bits != kBudget && round <= 19; ++round) {
        const qint32 middle = wrap(qint64(more) + fewer) >> 1;
        bits = totalBits(scaled, point, middle);
        if (bits > kBudget) {
            more = middle;
            moreBits = bits;
        } else {
            fewer = middle;
            fewerBits = bits;
        }
    }
    if (std::abs(moreBits - kBudget) >= std::abs(fewerBits - kBudget)) {
        bits = fewerBits;
        return fewer;
    }
    bits = moreBits;
    return more;
}

} // namespace

Allocation allocateBits(const Energies &energies)
{
    // Energies scaled into 16 bits, three quarters of each kept.
    qint32 peak = 0;
    for (int e : energies)
        peak = std::max(peak, e);
    int shift = normalise(peak) - 16;
    std::array<qint16, kCodedCoefficients> scaled{};
    qint32 sum = 0;
    for (size_t i = 0; i < scaled.size(); ++i) {
        const auto s = qint16(shiftSigned(energies[i], shift));
        scaled[i] = qint16((3 * s) >> 2);
        sum = wrap(qint64(sum) + scaled[i]);
    }
    // `point`: the binary point of the scaled energies, where one bit of a
    // coefficient is worth one unit.
    const int point = shift + 11;
    sum = wrap(qint64(sum) - shiftSigned(kBudget, point));
    const int sumShift = point + normalise(sum);
    qint32 offset = (kOffsetScale * (sum >> 16)) >> 15;
    offset = shiftSigned(offset, point - (kOffsetShift + sumShift - 31));
    int bits = totalBits(scaled, point, offset);
    if (bits != kBudget)
        offset = searchOffset(scaled, point, offset, bits);

    Allocation allocation{};
    for (size_t i = 0; i < allocation.size(); ++i)
        allocation[i] = coefficientBits(scaled[i], point, offset);
    if (bits > kBudget) {
        // Over budget: the coefficients past the budget go without.
        int used = 0;
        size_t i = 0;
        while (used < kBudget && i < allocation.size())
            used += allocation[i++];
        allocation[i - 1] -= used - kBudget;
        for (; i < allocation.size(); ++i)
            allocation[i] = 0;
    }
    return allocation;
}

double energyGain(int energy)
{
    return std::exp2(energy / 2048.0) / 8.0;
}

double window(int n)
{
    return std::sin((n + 0.5) * std::numbers::pi / 256.0);
}

} // namespace swf::nellymoser
