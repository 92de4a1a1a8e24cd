// The simulated sky: star field and hot pixels from the seed, and the per-readout render.
#include "simulator/sky_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vexa {
namespace {

constexpr double kSensorMiddleX = (kSensorColumns - 1) / 2.0;
constexpr double kSensorMiddleY = (kSensorRows - 1) / 2.0;
constexpr double kMiddleToCornerSquared =
    kSensorMiddleX * kSensorMiddleX + kSensorMiddleY * kSensorMiddleY;
constexpr double kFieldTileX = kSensorColumns + 2 * kFieldMarginPx;
constexpr double kFieldTileY = kSensorRows + 2 * kFieldMarginPx;

// A star is never drawn sharper than this, so that a configured seeing of 0 stays defined.
constexpr double kSharpestFwhmPx = 0.1;
// Stars are drawn out to where their pixels fall below this many ADU.
constexpr double kFaintestDrawnAdu = 0.05;
// Above this many electrons the shot noise is drawn from a normal distribution.
constexpr double kNormalShotElectrons = 20.0;
// Below it, counts come from tables of the distribution for means in steps of 1/32 electron
// (far finer than the noise itself), ending where less than 1e-9 of the weight is left.
constexpr double kPoissonTableSteps = 32.0;
constexpr double kPoissonTail = 1e-9;
// The second-brightest star, so that one or two saturate in long exposures.
constexpr double kSecondStarMinMagnitude = 0.5;
constexpr double kSecondStarMaxMagnitude = 1.0;
constexpr double kSecondStarEdgePx = 64.0;
// The other stars lie at least this far below the brightest, more of them faint than bright.
constexpr double kFieldStarMinMagnitude = 2.5;
constexpr double kMagnitudeFluxBase = 0.4;  // flux ratio = 10^(-0.4 x magnitude difference)

// The four 16-bit parts of one draw, summed, stand in for a normal variate (Irwin-Hall).
constexpr double kFourUniformsMean = 4 * 32767.5;
constexpr double kFourUniformsSpread = 37837.23;  // sqrt(4 x (65536^2 - 1) / 12)

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double UniformFrom(uint64_t& state) {
    return static_cast<double>(SplitMix(state) >> 11) * 0x1.0p-53;
}

double Wrap(double value, double period) {
    double r = std::fmod(value, period);
    return r < 0 ? r + period : r;
}

// Share of a unit-flux Gaussian of this sigma, centred at centre, that falls on the pixel
// centred at pixel.
double PixelShare(int pixel, double centre, double sigma) {
    constexpr double kInvSqrt2 = 0.7071067811865476;
    const double lower = (pixel - 0.5 - centre) / sigma * kInvSqrt2;
    const double upper = (pixel + 0.5 - centre) / sigma * kInvSqrt2;
    return 0.5 * (std::erf(upper) - std::erf(lower));
}

}  // namespace

uint64_t SkyModel::NoiseSource::Next() {
    // wyrand: one multiply per draw, good enough statistics for image noise.
    state += 0xA0761D6478BD642Full;
    const __uint128_t product =
        static_cast<__uint128_t>(state) * static_cast<__uint128_t>(state ^ 0xE7037ED1A0B428DBull);
    return static_cast<uint64_t>(product >> 64) ^ static_cast<uint64_t>(product);
}

double SkyModel::NoiseSource::Uniform() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

double SkyModel::NoiseSource::Normal() {
    const uint64_t r = Next();
    const double sum =
        static_cast<double>((r & 0xFFFF) + ((r >> 16) & 0xFFFF) + ((r >> 32) & 0xFFFF) + (r >> 48));
    return (sum - kFourUniformsMean) * (1.0 / kFourUniformsSpread);
}

uint32_t SkyModel::PoissonCount(double mean) {
    // Inversion with one uniform draw against the cumulative distribution of the nearest
    // tabulated mean; each table is made when first needed and ends where the distribution has
    // all but kPoissonTail of its weight (single precision is plenty for a simulated count).
    const size_t index = static_cast<size_t>(mean * kPoissonTableSteps + 0.5);
    if (poissonTables_.size() <= index) poissonTables_.resize(index + 1);
    std::vector<float>& table = poissonTables_[index];
    if (table.empty()) {
        const double tabulated = static_cast<double>(index) / kPoissonTableSteps;
        double term = std::exp(-tabulated);
        double cumulative = term;
        for (int count = 1; cumulative < 1 - kPoissonTail && term > 0; ++count) {
            table.push_back(static_cast<float>(cumulative));
            term *= tabulated / count;
            cumulative += term;
        }
    }
    // Counting the entries below the draw rather than stopping at the first above it keeps the
    // loop free of unpredictable branches.
    const float draw = static_cast<float>(noise_.Uniform());
    int32_t count = 0;
    for (const float cumulative : table) count += draw > cumulative;
    return static_cast<uint32_t>(count);
}

SkyModel::SkyModel(const SkyConfig& config)
    : config_(config),
      focusSteps_(config.startFocusSteps),
      aduPerElectron_(config.gainElectronsPerAdu > 0 ? 1.0 / config.gainElectronsPerAdu : 1.0) {
    if (!(config_.gainElectronsPerAdu > 0)) config_.gainElectronsPerAdu = 1.0;
    uint64_t state = config_.seed;
    const int count = std::max(config_.starCount, 0);
    stars_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        SkyStar star;
        double magnitude = 0.0;
        if (i == 0) {
            star.x = kSensorMiddleX + kCentreStarSpreadPx * (2 * UniformFrom(state) - 1);
            star.y = kSensorMiddleY + kCentreStarSpreadPx * (2 * UniformFrom(state) - 1);
        } else if (i == 1) {
            star.x =
                kSecondStarEdgePx + (kSensorColumns - 2 * kSecondStarEdgePx) * UniformFrom(state);
            star.y = kSecondStarEdgePx + (kSensorRows - 2 * kSecondStarEdgePx) * UniformFrom(state);
            magnitude = kSecondStarMinMagnitude +
                        (kSecondStarMaxMagnitude - kSecondStarMinMagnitude) * UniformFrom(state);
        } else {
            star.x = -kFieldMarginPx + kFieldTileX * UniformFrom(state);
            star.y = -kFieldMarginPx + kFieldTileY * UniformFrom(state);
            const double lowest = std::min(kFieldStarMinMagnitude, config_.magnitudeRange);
            magnitude = lowest + (config_.magnitudeRange - lowest) * std::sqrt(UniformFrom(state));
        }
        star.aduPerS =
            config_.brightestStarAduPerS * std::pow(10.0, -kMagnitudeFluxBase * magnitude);
        stars_.push_back(star);
    }
    const double logMin = std::log(std::max(config_.hotPixelMinAduPerS, 1e-9));
    const double logMax = std::log(std::max(config_.hotPixelMaxAduPerS, 1e-9));
    for (int i = 0; i < config_.hotPixelCount; ++i) {
        HotPixel hot;
        hot.column = static_cast<int>(UniformFrom(state) * kSensorColumns);
        hot.row = static_cast<int>(UniformFrom(state) * kSensorRows);
        hot.aduPerS = std::exp(logMin + (logMax - logMin) * UniformFrom(state));
        hotPixels_.push_back(hot);
    }
}

void SkyModel::ShiftField(double dxPx, double dyPx) {
    shiftXPx_ += dxPx;
    shiftYPx_ += dyPx;
}

double SkyModel::StarFwhmPx() const {
    const double defocus = config_.focusSlopePxPerStep * (focusSteps_ - config_.bestFocusSteps);
    return std::sqrt(config_.seeingFwhmPx * config_.seeingFwhmPx + defocus * defocus);
}

void SkyModel::FieldOffsetAt(uint32_t clockMs, double& dxPx, double& dyPx) const {
    const double seconds = static_cast<uint32_t>(clockMs - epochMs_) / 1000.0;
    double periodic = 0.0;
    if (config_.periodicPeriodS > 0) {
        periodic = config_.periodicAmplitudePx *
                   std::sin(2 * std::numbers::pi * seconds / config_.periodicPeriodS);
    }
    dxPx = config_.driftXPxPerS * seconds + periodic + shiftXPx_;
    dyPx = config_.driftYPxPerS * seconds + shiftYPx_;
}

std::vector<SkyStar> SkyModel::StarsAt(uint32_t clockMs) const {
    double dx = 0, dy = 0;
    FieldOffsetAt(clockMs, dx, dy);
    std::vector<SkyStar> placed = stars_;
    for (SkyStar& star : placed) {
        star.x = -kFieldMarginPx + Wrap(star.x + kFieldMarginPx + dx, kFieldTileX);
        star.y = -kFieldMarginPx + Wrap(star.y + kFieldMarginPx + dy, kFieldTileY);
    }
    return placed;
}

double SkyModel::VignettingAt(double x, double y) const {
    const double dx = x - kSensorMiddleX, dy = y - kSensorMiddleY;
    return 1.0 - config_.vignettingAtCorner * (dx * dx + dy * dy) / kMiddleToCornerSquared;
}

uint16_t SkyModel::Noisy(double signalAdu) {
    double value = config_.biasAdu;
    const double signal = std::max(signalAdu, 0.0);
    if (!config_.noise) {
        value += signal;
    } else {
        const double electrons = signal * config_.gainElectronsPerAdu;
        const double readNoise = config_.readNoiseAdu;
        if (electrons >= kNormalShotElectrons) {
            const double spread = std::sqrt(signal * aduPerElectron_ + readNoise * readNoise);
            value += signal + spread * noise_.Normal();
        } else {
            value += PoissonCount(electrons) * aduPerElectron_ + readNoise * noise_.Normal();
        }
    }
    value = std::clamp(value, 0.0, static_cast<double>(kSaturatedSample));
    return static_cast<uint16_t>(value + 0.5);
}

void SkyModel::FillBias(uint16_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = Noisy(0.0);
}

// What a render covers and the light every pixel of it gets: the window's span on the chip,
// and the sky, vignetting and dark current for the exposure's length.
struct SkyModel::RenderSpan {
    int bin = 1;
    int firstColumn = 0;
    int columnBegin = 0;
    int columnEnd = 0;
    int rowBegin = 0;
    int rowEnd = 0;
    double seconds = 0.0;
    double skyAdu = 0.0;
    double lossPerSquare = 0.0;
    double darkAdu = 0.0;
};

// Each star covers a box out to where its pixels fade below kFaintestDrawnAdu; its pixel
// values are the product of a column share and a row share (Gaussian integrated over each
// pixel), so the box costs one pass of erf per column and per row.
struct SkyModel::DrawnStar {
    int c0, c1, r0, r1;
    size_t columnShares, rowShares;  // offsets into shares
};

void SkyModel::Render(const SkyExposure& exposure, const SensorWindow& window, uint16_t* out,
                      size_t strideSamples) {
    uint64_t seedState = config_.seed * 0x9E3779B97F4A7C15ull + ++readouts_;
    noise_.state = SplitMix(seedState);
    if (window.columns <= 0 || window.rows <= 0) return;

    const RenderSpan span = SpanOf(exposure, window);
    FillColumnLight(span);
    std::vector<DrawnStar> drawn;
    std::vector<float> shares;
    PlaceStars(exposure, span, drawn, shares);

    signal_.resize(static_cast<size_t>(window.columns));
    for (int j = 0; j < window.rows; ++j) {
        std::fill(signal_.begin(), signal_.end(), 0.0f);
        for (int b = 0; b < span.bin; ++b) {
            const int r = window.firstRow + j * span.bin + b;
            if (r < span.rowBegin || r >= span.rowEnd) continue;
            AddRowSignal(span, r, drawn, shares);
        }
        uint16_t* line = out + static_cast<size_t>(j) * strideSamples;
        for (int i = 0; i < window.columns; ++i) line[i] = Noisy(signal_[i]);
    }
}

SkyModel::RenderSpan SkyModel::SpanOf(const SkyExposure& exposure,
                                      const SensorWindow& window) const {
    RenderSpan span;
    span.bin = std::max(window.bin, 1);
    span.seconds = exposure.exposureMs / 1000.0;
    span.firstColumn = window.firstColumn;
    span.columnBegin = std::clamp(span.firstColumn, 0, kSensorColumns);
    span.columnEnd = std::clamp(span.firstColumn + window.columns * span.bin, 0, kSensorColumns);
    span.rowBegin = std::clamp(window.firstRow, 0, kSensorRows);
    span.rowEnd = std::clamp(window.firstRow + window.rows * span.bin, 0, kSensorRows);
    span.skyAdu = config_.skyAduPerS * span.seconds;
    span.lossPerSquare = config_.vignettingAtCorner / kMiddleToCornerSquared;
    span.darkAdu = config_.darkAduPerS * span.seconds;
    return span;
}

// Sky light of a pixel = row part - column part (vignetting is a sum of squares): the column
// parts.
void SkyModel::FillColumnLight(const RenderSpan& span) {
    columnLight_.resize(static_cast<size_t>(std::max(span.columnEnd - span.columnBegin, 0)));
    for (int c = span.columnBegin; c < span.columnEnd; ++c) {
        const double dx = c - kSensorMiddleX;
        columnLight_[static_cast<size_t>(c - span.columnBegin)] =
            static_cast<float>(span.skyAdu * span.lossPerSquare * dx * dx);
    }
}

void SkyModel::PlaceStars(const SkyExposure& exposure, const RenderSpan& span,
                          std::vector<DrawnStar>& drawn, std::vector<float>& shares) const {
    const double sigma = std::max(StarFwhmPx(), kSharpestFwhmPx) / kFwhmPerSigma;
    for (const SkyStar& star : StarsAt(exposure.midClockMs)) {
        const double flux = star.aduPerS * span.seconds * VignettingAt(star.x, star.y);
        if (flux <= 0) continue;
        const double peak = flux / (2 * std::numbers::pi * sigma * sigma);
        const double reach =
            sigma * std::sqrt(2 * std::log(std::max(peak / kFaintestDrawnAdu, 1.0))) + 1;
        DrawnStar d;
        d.c0 = std::max(span.columnBegin, static_cast<int>(std::floor(star.x - reach)));
        d.c1 = std::min(span.columnEnd - 1, static_cast<int>(std::ceil(star.x + reach)));
        d.r0 = std::max(span.rowBegin, static_cast<int>(std::floor(star.y - reach)));
        d.r1 = std::min(span.rowEnd - 1, static_cast<int>(std::ceil(star.y + reach)));
        if (d.c0 > d.c1 || d.r0 > d.r1) continue;
        d.columnShares = shares.size();
        for (int c = d.c0; c <= d.c1; ++c)
            shares.push_back(static_cast<float>(PixelShare(c, star.x, sigma)));
        d.rowShares = shares.size();
        for (int r = d.r0; r <= d.r1; ++r)
            shares.push_back(static_cast<float>(flux * PixelShare(r, star.y, sigma)));
        drawn.push_back(d);
    }
}

// Sensor row r's light, stars and hot pixels added into the output line's signal.
void SkyModel::AddRowSignal(const RenderSpan& span, int r, const std::vector<DrawnStar>& drawn,
                            const std::vector<float>& shares) {
    float* signal = signal_.data();
    const int bin = span.bin;
    const int firstColumn = span.firstColumn;
    const double dy = r - kSensorMiddleY;
    const float rowLight =
        static_cast<float>(span.skyAdu * (1 - span.lossPerSquare * dy * dy) + span.darkAdu);
    const float* column = columnLight_.data();
    const int onChip = span.columnEnd - span.columnBegin;
    float* first = signal + (span.columnBegin - firstColumn) / bin;
    if (bin == 1) {
        for (int k = 0; k < onChip; ++k) first[k] += rowLight - column[k];
    } else {
        const int phase = (span.columnBegin - firstColumn) % bin;
        for (int k = 0; k < onChip; ++k) first[(k + phase) / bin] += rowLight - column[k];
    }
    for (const DrawnStar& d : drawn) {
        if (r < d.r0 || r > d.r1) continue;
        const float rowShare = shares[d.rowShares + static_cast<size_t>(r - d.r0)];
        const float* columnShare = shares.data() + d.columnShares;
        for (int c = d.c0; c <= d.c1; ++c)
            signal[(c - firstColumn) / bin] += rowShare * columnShare[c - d.c0];
    }
    for (const HotPixel& hot : hotPixels_) {
        if (hot.row != r || hot.column < span.columnBegin || hot.column >= span.columnEnd) {
            continue;
        }
        signal[(hot.column - firstColumn) / bin] += static_cast<float>(hot.aduPerS * span.seconds);
    }
}

}  // namespace vexa
