// The FITS texts as they come in from outside: typed into the FITS DETAILS dialog of
// "Load/Edit AutoSave FITS text" (the input holds the dialog's edits, separated by zero bytes)
// and stored in the settings file. Each text is kept to its limit; the settings file stays
// sound (it loads again as it stands) and keeps every short text up to its first quote; a FITS
// file written with the texts loads back with the same samples and with texts that a second
// write no longer changes.
#include <algorithm>
#include <string_view>

#include "files/file_commands.h"
#include "files/fits_details_model.h"
#include "files/fits_file.h"
#include "fuzz/fuzz_support.h"
#include "session/settings_file.h"

namespace vexa::fuzz {
namespace {

namespace fs = std::filesystem;

struct TypedText {
    const FitsEditControl* edit;
    std::string typed;
};

// What a card keeps of a text: up to the first quote (or zero byte), which ends the value.
std::string UpToQuote(const std::string& text) {
    return text.substr(0, text.find_first_of(std::string_view("'\0", 2)));
}

bool PlainText(const std::string& text) {
    for (char c : text)
        if (c < ' ' || c > '~' || c == '\'') return false;
    return true;
}

// The short texts the settings file keeps: those of its fields shown in single-line edits.
std::string* ShortSettingsText(const FitsEditControl& edit) {
    if (edit.multiLine || !edit.field.settingsText) return nullptr;
    return &(Session().settings.*edit.field.settingsText);
}

// The edits in dialog order, one per zero-separated piece of the input.
std::vector<TypedText> TypedTexts(const uint8_t* data, size_t size) {
    std::vector<TypedText> texts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (const FitsEditControl& edit : FitsEditControls()) {
        const size_t cut = rest.find('\0');
        texts.push_back({&edit, std::string(rest.substr(0, cut))});
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return texts;
}

void CheckFitsRoundTrip(const std::vector<TypedText>& texts) {
    SessionState& s = Session();
    s.geometryMode = 1;
    ApplyGeometry();
    for (int i = 0; i < s.geometry.sampleCount; ++i)
        s.currentImage[static_cast<size_t>(i)] = static_cast<uint16_t>(i * 31);
    const Plane samples = s.currentImage;
    const fs::path file = ScratchFolder() / "texts.fit";
    FitsDetails loaded[2];
    HistoryLines lines[2];
    for (int round = 0; round < 2; ++round) {
        VEXA_FUZZ_CHECK(WriteFitsFile(file.string(), s.currentImage, false));
        s.currentImage.fill(0);
        VEXA_FUZZ_CHECK(ReadFitsFile(file.string(), s.currentImage) == FitsReadResult::Ok);
        const long count = static_cast<long>(s.geometry.width) * s.geometry.height;
        VEXA_FUZZ_CHECK(
            std::equal(samples.begin(), samples.begin() + count, s.currentImage.begin()));
        loaded[round] = SessionFitsDetails();
        lines[round] = s.historyLines;
        if (round == 0) {
            for (const TypedText& text : texts) {
                const std::string* field = ShortSettingsText(*text.edit);
                const std::string kept = text.typed.substr(0, text.edit->keptChars);
                if (field && PlainText(kept)) VEXA_FUZZ_CHECK(*field == kept);
            }
        }
    }
    const FitsDetails& a = loaded[0];
    const FitsDetails& b = loaded[1];
    VEXA_FUZZ_CHECK(a.object == b.object && a.telescope == b.telescope &&
                    a.instrument == b.instrument && a.observer == b.observer &&
                    a.origin == b.origin && a.date == b.date && a.time == b.time &&
                    a.history == b.history && a.comment == b.comment && a.filter == b.filter);
    VEXA_FUZZ_CHECK(lines[0] == lines[1]);
}

// Typed texts in dialog order: object, observer, origin, telescope, instrument, history,
// comments, date, time, focal length, aperture, exposure, filter.
const SeedRegistration seeds([](const fs::path& folder) {
    const std::vector<std::vector<std::string>> lists = {
        {"M42", "Ann", "Home", "C8", "TQ4", "first line\nsecond line", "note", "5/3/07", "03:07:09",
         "80.5", "12", "30", "Ha"},
        {"it's", "O'Brien", "", "", "", std::string(300, 'h'), std::string(254, 'c'), "28/11/2012",
         "22:00:04.123", "x", "-1e300", "1e-5", "'"},
        {std::string(80, 'o'), "caf\xc3\xa9", "\t", "", "\x7f", "", "", "", "", "", "", "", ""},
    };
    int n = 0;
    for (const auto& list : lists) {
        std::string joined;
        for (const std::string& text : list) joined.append(text).push_back('\0');
        WriteFile(folder / ("typed_" + std::to_string(n++)),
                  {reinterpret_cast<const uint8_t*>(joined.data()), joined.size()});
    }
});

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    test::FakeUi& ui = ResetWorld();
    const std::vector<TypedText> texts = TypedTexts(data, size);
    ui.fitsDetailsDialog = [&](FitsDetailsDialogModel& model) {
        for (const TypedText& text : texts) model.Edit(text.edit->id) = text.typed;
        model.Continue();
        return true;
    };
    CmdEditAutosaveFitsText();
    VEXA_FUZZ_CHECK(ui.messages.empty());
    const PersistentSettings& p = Session().settings;
    VEXA_FUZZ_CHECK(p.fitsHistory.size() <= kFitsLongTextChars - 1);
    VEXA_FUZZ_CHECK(p.fitsComment.size() <= kFitsLongTextChars - 1);

    // The settings file loads as it stands, and keeps each short text up to its first quote.
    const Bytes file = ReadFile(DriveRootFolder() / "autosave" / "Vexa_Q4.ini");
    VEXA_FUZZ_CHECK(LoadSettings() == 0);
    VEXA_FUZZ_CHECK(ReadFile(DriveRootFolder() / "autosave" / "Vexa_Q4.ini") == file);
    for (const TypedText& text : texts) {
        if (const std::string* field = ShortSettingsText(*text.edit))
            VEXA_FUZZ_CHECK(*field == UpToQuote(text.typed.substr(0, text.edit->keptChars)));
    }
    // What was read back is stored and read again unchanged.
    const auto reread = EncodeSettings(Session().settings);
    VEXA_FUZZ_CHECK(SaveSettings() == 0);
    VEXA_FUZZ_CHECK(LoadSettings() == 0);
    VEXA_FUZZ_CHECK(EncodeSettings(Session().settings) == reread);
    CheckFitsRoundTrip(texts);
    return 0;
}
