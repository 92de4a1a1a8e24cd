// A reproducible sky as the simulated camera's sensor sees it: a seeded star field blurred by
// seeing and focus, sky glow with vignetting, bias, dark current, hot pixels, shot and read
// noise and a slowly drifting field, rendered into 16-bit samples for any window of the sensor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "camera/camera_protocol.h"

namespace vexa {

// The sensor behind the full-frame image area.
constexpr int kSensorColumns = kFullFrameTransfer.areaSamples;
constexpr int kSensorRows = kFullFrameTransfer.areaLines;
constexpr int kSaturatedSample = 65535;
// A full width at half maximum is this many Gaussian sigmas.
constexpr double kFwhmPerSigma = 2.3548200450309493;

// Everything that shapes the simulated sky. Brightness is in ADU (output sample units) per
// second; positions and widths in sensor pixels. The defaults give a field in which a few
// dozen stars show in a one-second frame, the faintest barely above the noise, and the one or
// two brightest saturate from a few seconds on.
struct SkyConfig {
    uint64_t seed = 1;
    // Stars over the sensor and a margin around it (kFieldMarginPx), so that a drifting or
    // shifted field brings new stars in from the edges.
    int starCount = 48;
    // All-pixel flux of the brightest star, which lies within kCentreStarSpreadPx of the
    // middle of the sensor so that the default focus window holds it.
    double brightestStarAduPerS = 230000.0;
    // The faintest stars are this many magnitudes below the brightest.
    double magnitudeRange = 7.5;
    // Star width at best focus, and its growth away from it: the FWHM is
    // sqrt(seeing^2 + (slope x (focus - best))^2), a V-curve with a rounded tip.
    double seeingFwhmPx = 3.0;
    double bestFocusSteps = 0.0;
    double focusSlopePxPerStep = 0.05;
    double startFocusSteps = 0.0;
    double skyAduPerS = 20.0;  // sky glow at the middle of the sensor
    double darkAduPerS = 0.3;  // dark current of every pixel
    int hotPixelCount = 12;    // their dark current lies between the two rates below
    double hotPixelMinAduPerS = 20.0;
    double hotPixelMaxAduPerS = 2000.0;
    double biasAdu = 1000.0;
    double readNoiseAdu = 8.0;
    double gainElectronsPerAdu = 1.5;  // sets the shot noise: variance = signal / gain
    // Share of the light lost in the corners; falls off with the square of the distance from
    // the middle of the sensor, for sky and stars alike.
    double vignettingAtCorner = 0.25;
    // Field motion against the sensor: a linear tracking error plus a periodic error along
    // the columns (x), both measured from the model's epoch on the program's clock.
    double driftXPxPerS = 0.01;
    double driftYPxPerS = 0.004;
    double periodicAmplitudePx = 2.0;
    double periodicPeriodS = 480.0;
    // Off: every sample is the exact expected value (bias + signal), for tests that need
    // noise-free frames.
    bool noise = true;
};

constexpr double kFieldMarginPx = 128.0;
constexpr double kCentreStarSpreadPx = 40.0;

// One star. Positions are in sensor pixels with pixel (column c, row r) centred on (c, r).
struct SkyStar {
    double x = 0.0;
    double y = 0.0;
    double aduPerS = 0.0;  // all-pixel flux before vignetting
};

// Which part of the sensor a render covers. Output sample (i, j) collects the bin x bin sensor
// pixels from column firstColumn + bin x i, row firstRow + bin x j. Pixels off the sensor
// collect nothing, so they read as bias and read noise, like a CCD's overscan.
struct SensorWindow {
    int firstColumn = 0;
    int firstRow = 0;
    int columns = kSensorColumns;
    int rows = kSensorRows;
    int bin = 1;  // 1, or 2 for on-chip 2 x 2 binning (the charge of four pixels summed)
};

// One exposure: its length and the program clock at its middle, where the moving field is
// taken to stand for the whole exposure.
struct SkyExposure {
    uint32_t exposureMs = 0;
    uint32_t midClockMs = 0;
};

class SkyModel {
  public:
    explicit SkyModel(const SkyConfig& config = SkyConfig());

    const SkyConfig& Config() const { return config_; }

    // ---- the field ----
    // The clock reading from which drift is measured (the simulated camera sets it when it is
    // made, so that a program started long after boot sees no accumulated drift).
    void SetEpochMs(uint32_t clockMs) { epochMs_ = clockMs; }
    // Moves the whole field by (dx, dy) pixels, as a guide pulse or slew does; adds up.
    void ShiftField(double dxPx, double dyPx);
    // Focuser position in steps; the star width follows it on the V-curve.
    void SetFocusSteps(double steps) { focusSteps_ = steps; }
    double FocusSteps() const { return focusSteps_; }
    double StarFwhmPx() const;
    // The offset of the field against the sensor at this clock reading: drift plus shifts.
    void FieldOffsetAt(uint32_t clockMs, double& dxPx, double& dyPx) const;
    // Where every star of the field stands on the sensor at this clock reading (stars in the
    // margin off the sensor included). The field repeats beyond the margin, so a star that
    // drifts out on one side comes back on the other, unseen.
    std::vector<SkyStar> StarsAt(uint32_t clockMs) const;
    // Replaces the seeded stars (positions at the epoch, before any shift); for tests.
    void SetStars(std::vector<SkyStar> stars) { stars_ = std::move(stars); }
    // The light that reaches a point, as a share of what reaches the middle.
    double VignettingAt(double x, double y) const;

    // ---- rendering ----
    // Renders one readout of the window into out (window.rows lines of window.columns
    // samples, lines strideSamples apart). Each call starts the noise of a new readout; the
    // sequence of readouts, and so every sample, follows from the seed alone.
    void Render(const SkyExposure& exposure, const SensorWindow& window, uint16_t* out,
                size_t strideSamples);
    // Bias-like samples (bias and read noise), continuing the noise of the last Render.
    void FillBias(uint16_t* out, size_t count);

  private:
    struct HotPixel {
        int column;
        int row;
        double aduPerS;
    };
    struct NoiseSource {
        uint64_t state = 0;
        uint64_t Next();
        double Uniform();  // [0, 1)
        double Normal();   // mean 0, variance 1
    };

    struct RenderSpan;
    struct DrawnStar;
    RenderSpan SpanOf(const SkyExposure& exposure, const SensorWindow& window) const;
    void FillColumnLight(const RenderSpan& span);
    void PlaceStars(const SkyExposure& exposure, const RenderSpan& span,
                    std::vector<DrawnStar>& drawn, std::vector<float>& shares) const;
    void AddRowSignal(const RenderSpan& span, int r, const std::vector<DrawnStar>& drawn,
                      const std::vector<float>& shares);
    uint16_t Noisy(double signalAdu);
    uint32_t PoissonCount(double meanElectrons);

    SkyConfig config_;
    std::vector<SkyStar> stars_;
    std::vector<HotPixel> hotPixels_;
    uint32_t epochMs_ = 0;
    double shiftXPx_ = 0.0;
    double shiftYPx_ = 0.0;
    double focusSteps_ = 0.0;
    uint64_t readouts_ = 0;
    double aduPerElectron_ = 1.0;
    NoiseSource noise_;
    std::vector<std::vector<float>> poissonTables_;  // cumulative, by mean x 32
    std::vector<float> signal_;                      // one output line of signal, reused
    std::vector<float> columnLight_;
};

}  // namespace vexa
