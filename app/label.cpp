#include "app/label.h"
#include "app/present_services.h"

#include <algorithm>
#include <cstdio>

#include "app/display_refresh.h"
#include "resources/label_font.h"
#include "session/clock.h"
#include "session/settings_file.h"
#include "session/ui_services.h"

namespace vexa {

namespace {
constexpr uint8_t kLeftPixelBit = 0x80;
}  // namespace

std::string LabelDatePart(std::time_t t) {
    const std::tm ut = UtTimeOf(t);
    // Room for any year the calendar can give; the line is cut to 64 characters anyway.
    char text[64];
    std::snprintf(text, sizeof text, "  %02d:%02d:%02d UT %02d-%02d-%d ", ut.tm_hour, ut.tm_min,
                  ut.tm_sec, ut.tm_mday, ut.tm_mon + 1, ut.tm_year + 1900);
    return text;
}

std::string ComposeLabelLine(bool autoDate, const std::string& text, std::time_t now) {
    const int length = static_cast<int>(std::min<size_t>(text.size(), kLabelLineMaxChars));
    const int reserved = autoDate ? kLabelDateCentringChars : 0;
    // A text too long to centre starts at column 0 rather than with a negative margin.
    const int blanks = std::max(0, (kLabelLineMaxChars - length - reserved) / 2);
    std::string line(static_cast<size_t>(blanks), ' ');
    line += text;
    if (autoDate) line += LabelDatePart(now);
    // The line has room for 64 characters: what lies beyond is dropped, so the label never
    // reaches past the strip that the processing steps and the mirror leave alone.
    if (line.size() > static_cast<size_t>(kLabelLineMaxChars)) line.resize(kLabelLineMaxChars);
    return line;
}

void DrawLabelLine(const std::string& line, Plane& image, int width) {
    width = std::clamp(width, 0, kFullWidth);
    std::fill_n(image.begin(), kLabelClearedSamples, uint16_t{0});
    const int cells = std::min<int>(static_cast<int>(line.size()), width / kLabelGlyphWidth);
    for (int k = 0; k < cells; ++k) {
        const LabelGlyph* glyph = FindLabelGlyph(line[static_cast<size_t>(k)]);
        if (glyph == nullptr) continue;  // the cell keeps what the image held
        for (int r = 0; r < kLabelGlyphRows; ++r) {
            uint16_t* cell = image.data() + static_cast<size_t>(r) * width + k * kLabelGlyphWidth;
            for (int b = 0; b < kLabelGlyphWidth; ++b) {
                cell[b] = (glyph->rows[r] & (kLeftPixelBit >> b)) ? kLabelInk : uint16_t{0};
            }
        }
    }
    std::fill_n(image.begin(), kLabelMarkerSamples, kLabelMarkerValue);
}

void DrawLabel(bool autoDate, const std::string& text, Plane& image) {
    const std::string line = ComposeLabelLine(autoDate, text, TheClock().CalendarNow());
    DrawLabelLine(line, image, Session().geometry.width);
}

LabelDialogModel::LabelDialogModel(SessionState& session) : session_(session) {
    session_.labelText.clear();
}

void LabelDialogModel::Accept() {
    session_.labelText = editText_.substr(0, kLabelTextMaxChars);
}

void CmdLabel() {
    LabelDialogModel model;
    if (!PresentUi().RunLabelDialog(model)) return;
    model.Accept();
    SessionState& s = Session();
    DrawLabel(s.labelAutoDate, s.labelText, s.currentImage);
    RefreshDisplay();
}

}  // namespace vexa
