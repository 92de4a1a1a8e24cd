#include "session/session_state.h"

#include "session/ui_services.h"

namespace vexa {

SessionState& Session() {
    // Static storage: the planes are allocated once, zero-filled, and never freed.
    static SessionState* state = new SessionState();
    return *state;
}

void ApplyGeometry() {
    SessionState& s = Session();
    ImageGeometry& g = s.geometry;
    const bool half = s.geometryMode != 0;
    g.width = half ? kHalfWidth : kFullWidth;
    g.height = half ? kHalfHeight : kFullHeight;
    g.tenRowSpan = g.width * 10;
    g.lastColumn = g.width - 1;
    g.lastRow = g.height - 1;
    g.rowBytes = g.width * 2;
    g.widthReal = static_cast<float>(g.width);
    g.heightReal = static_cast<float>(g.height);
    g.sampleCount = half ? kHalfPassSampleCount : kFullSampleCount;
    g.stretchTailCount = half ? 26520 : 53040;
}

void ResetFocusWindow() {
    SessionState& s = Session();
    s.focusWindowX = s.geometry.width / 2 - 64;
    s.focusWindowY = s.geometry.height / 2 - 64;
}

std::string WindowTitle() {
    return std::string(kProgramTitle) + " - " + Session().currentFileName;
}

void SetTitleFile(const std::string* name) {
    Session().currentFileName = (name && !name->empty()) ? name->substr(0, 255) : kUntitled;
    Ui().SetWindowTitle(WindowTitle());
}

void FillStartupRamp() {
    SessionState& s = Session();
    for (int row = 0; row < kFullHeight; ++row) {
        const uint16_t value = static_cast<uint16_t>(row * 63);
        const size_t start = static_cast<size_t>(row) * kFullWidth;
        for (int col = 0; col < kFullWidth; ++col) {
            s.currentImage[start + col] = value;
            s.workImage[start + col] = value;
            s.undoImage[start + col] = value;
        }
    }
    s.flatReferenceImage.fill(0);
}

RgbColour BackgroundColourFor(char choice) {
    switch (choice) {
        case 'r':
            return {120, 40, 40};
        case 'g':
            return {90, 90, 90};
        default:
            return {192, 192, 192};
    }
}

bool ImageIsLabelled(const Plane& image) {
    return image[4] + image[5] == 34;
}

}  // namespace vexa
