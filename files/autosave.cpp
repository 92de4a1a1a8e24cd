#include "files/autosave.h"

#include <cstdio>

#include "files/fits_file.h"
#include "files/tq_file.h"
#include "session/clock.h"
#include "session/display_refresh.h"
#include "session/history_lines.h"
#include "session/message_catalogue.h"
#include "session/settings_file.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

constexpr int64_t kSecondsPerHour = 3600;
constexpr int kYearsToTwoThousand = 100;  // tm_year of 2000
constexpr int kYearsToTwentyTen = 110;

std::tm BreakDown(int64_t instant) {
    const std::time_t t = static_cast<std::time_t>(instant);
    std::tm parts{};
    gmtime_r(&t, &parts);
    return parts;
}

}  // namespace

int32_t UtInstantOf(std::time_t calendar) {
    std::tm local{};
    localtime_r(&calendar, &local);
    // The local wall-clock reading counted as if it were UT, then moved by hoursToUT.
    const int64_t instant = static_cast<int64_t>(timegm(&local)) +
                            static_cast<int64_t>(Session().settings.hoursToUT) * kSecondsPerHour;
    return static_cast<int32_t>(instant);
}

int32_t UtNow() {
    return UtInstantOf(TheClock().CalendarNow());
}

std::string AutosaveFileName(uint16_t number) {
    return std::string(kAutosaveFolder) + "\\IMG" + std::to_string(number) + ".FIT";
}

uint16_t NextAutosaveNumber(uint16_t last) {
    return last >= kLastAutosaveNumber ? 1 : static_cast<uint16_t>(last + 1);
}

std::string FitsTimeOf(int64_t instant) {
    const std::tm t = BreakDown(instant);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string FitsDateOf(int64_t instant) {
    const std::tm t = BreakDown(instant);
    char text[48];
    if (t.tm_year < kYearsToTwoThousand) {
        std::snprintf(text, sizeof text, "%d/%d/%d", t.tm_mday, t.tm_mon + 1, t.tm_year);
    } else if (t.tm_year < kYearsToTwentyTen) {
        std::snprintf(text, sizeof text, "%d/%d/0%d", t.tm_mday, t.tm_mon + 1,
                      t.tm_year - kYearsToTwoThousand);
    } else {
        std::snprintf(text, sizeof text, "%d/%d/%d", t.tm_mday, t.tm_mon + 1,
                      t.tm_year - kYearsToTwoThousand);
    }
    std::string date = text;
    if (date.size() > kFitsDateChars) date.resize(kFitsDateChars);
    return date;
}

int64_t MidExposureInstant(int32_t start, int32_t end) {
    const int64_t span = static_cast<int64_t>(end) - start;
    // Floor, not truncation, for an end before the start.
    const int64_t half = span >= 0 ? span / 2 : -((-span + 1) / 2);
    return start + half;
}

bool AutosaveFits(const Plane& image) {
    SessionState& s = Session();
    const uint16_t number = NextAutosaveNumber(s.settings.autosaveNumber);
    s.settings.autosaveNumber = number;  // used up even if the write fails
    const int64_t middle = MidExposureInstant(s.exposureStart, s.exposureEnd);
    s.fitsTime = FitsTimeOf(middle);
    s.fitsDate = FitsDateOf(middle);
    if (!WriteFitsFile(AutosaveFileName(number), image, false)) return false;
    (void)SaveSettings();
    return true;
}

bool FinishFrame() {
    SessionState& s = Session();
    s.exposureEnd = UtNow();
    if (!s.applyAutoProcessing) {
        ClearHistory();
        if (s.darkFrameOn) AppendHistory(kDarkFrameHistoryLine);
        if (s.flatFieldOn) AppendHistory(kFlatFieldHistoryLine);
    }
    Ui().SetCursor(ModeCursor());
    RefreshDisplay();
    if (s.autoSaveImage && !AutosaveFits(s.currentImage)) {
        ShowMessage(MessageCode::CreateFileFailed);
        return false;
    }
    return true;
}

void LoadNextAutosaved() {
    SessionState& s = Session();
    if (s.sequenceNumber == 0 || s.sequenceNumber >= s.settings.autosaveNumber) {
        ShowMessage(MessageCode::NoMoreAutosaved);
        return;
    }
    ++s.sequenceNumber;
    LoadImageFile(AutosaveFileName(s.sequenceNumber));
}

}  // namespace vexa
