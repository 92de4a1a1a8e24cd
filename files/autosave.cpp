#include "files/autosave.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unordered_set>

#include "files/fits_file.h"
#include "files/tq_file.h"
#include "session/clock.h"
#include "session/display_refresh.h"
#include "session/history_lines.h"
#include "session/host_paths.h"
#include "session/message_catalogue.h"
#include "session/safe_file_writer.h"
#include "session/settings_file.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

constexpr int64_t kSecondsPerHour = 3600;
constexpr int kYearsToTwoThousand = 100;  // tm_year of 2000
constexpr int kYearsToTwentyTen = 110;

namespace fs = std::filesystem;

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "IMG<number>.FIT", the name within the autosave folder.
std::string AutosaveBareName(uint16_t number) {
    return "IMG" + std::to_string(number) + ".FIT";
}

// The names in a folder, in lower case: names match without regard to case, so "img7.fit"
// holds number 7 as much as "IMG7.FIT" does. Empty when the folder cannot be read.
std::unordered_set<std::string> NamesTaken(const fs::path& folder) {
    std::unordered_set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.insert(LowerCase(it->path().filename().string()));
    }
    return names;
}

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

std::optional<uint16_t> FirstFreeAutosaveNumber(uint16_t last,
                                                const std::function<bool(uint16_t)>& taken) {
    uint16_t number = NextAutosaveNumber(last);
    for (int tried = 0; tried < kLastAutosaveNumber; ++tried) {
        if (!taken(number)) return number;
        number = NextAutosaveNumber(number);
    }
    return std::nullopt;
}

std::optional<uint16_t> AutosaveFits(const Plane& image) {
    SessionState& s = Session();
    const fs::path folder = HostPath(kAutosaveFolder);
    std::unordered_set<std::string> taken = NamesTaken(folder);
    auto isTaken = [&taken](uint16_t n) { return taken.contains(LowerCase(AutosaveBareName(n))); };
    std::optional<uint16_t> number = FirstFreeAutosaveNumber(s.settings.autosaveNumber, isTaken);
    // Used up even if the write fails.
    s.settings.autosaveNumber = number.value_or(NextAutosaveNumber(s.settings.autosaveNumber));
    if (!number) {
        NoteWriteFailure(EEXIST);
        return std::nullopt;
    }
    const int64_t middle = MidExposureInstant(s.exposureStart, s.exposureEnd);
    s.fitsTime = FitsTimeOf(middle);
    s.fitsDate = FitsDateOf(middle);

    // Written once, then named with the first number that no file has taken meanwhile: a
    // name is never replaced, and two programs saving into one folder never share one.
    const std::span<const uint8_t> file =
        BuildFitsFile(image.data(), s.geometry.width, s.geometry.height, SessionFitsDetails(),
                      s.historyLines, false);
    SafeFileWriter writer(folder / AutosaveBareName(*number));
    if (file.empty() || !writer.OpenNew() || !writer.Write(file.data(), file.size())) {
        return std::nullopt;
    }
    // Every name found taken here joins the taken ones, so this ends within one round.
    while (number) {
        const auto result = writer.Publish(folder / AutosaveBareName(*number));
        if (result == SafeFileWriter::PublishResult::Failed) return std::nullopt;
        if (result == SafeFileWriter::PublishResult::Published) {
            s.settings.autosaveNumber = *number;
            (void)SaveSettings();
            return number;
        }
        taken.insert(LowerCase(AutosaveBareName(*number)));
        number = FirstFreeAutosaveNumber(*number, isTaken);
    }
    return std::nullopt;
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
        ShowMessageWithReason(MessageCode::CreateFileFailed, WriteFailureReason());
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
