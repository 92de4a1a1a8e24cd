// The settings file from outside: the input is the whole file "autosave/Vexa_Q4.ini". Loading
// it gives 0 or 2 (a short file, left as it is) or repairs it; a repaired file, and any file
// the program writes from what it loaded, loads again as it stands without another repair and
// gives the same settings; texts stay within their cards.
#include "fuzz/fuzz_support.h"
#include "session/host_paths.h"
#include "session/settings_file.h"

namespace vexa::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path SettingsFile() {
    return DriveRootFolder() / "autosave" / "Vexa_Q4.ini";
}

Bytes Encoded() {
    const auto record = EncodeSettings(Session().settings);
    return Bytes(record.begin(), record.end());
}

bool TextsFitTheirCards() {
    const PersistentSettings& p = Session().settings;
    for (const std::string* text : {&p.fitsObject, &p.fitsTelescope, &p.fitsInstrument,
                                    &p.fitsObserver, &p.fitsOrigin, &p.fitsFilter}) {
        if (text->size() > static_cast<size_t>(kSettingsShortTextChars)) return false;
    }
    return p.fitsHistory.size() <= static_cast<size_t>(kSettingsLongTextChars) &&
           p.fitsComment.size() <= static_cast<size_t>(kSettingsLongTextChars);
}

// The file as it stands loads with 0, is not rewritten, and gives the settings held now.
void CheckLoadsAsItStands() {
    const Bytes file = ReadFile(SettingsFile());
    const Bytes settings = Encoded();
    VEXA_FUZZ_CHECK(LoadSettings() == 0);
    VEXA_FUZZ_CHECK(ReadFile(SettingsFile()) == file);
    VEXA_FUZZ_CHECK(Encoded() == settings);
}

// A file that ends early before this field: the shortest file that loads whole lacks only
// the optional field 28.
constexpr size_t kShortestWholeFile = kSettingsFileBytes - 1;

// Files written by the program: the default file, one with every field away from its
// default, one without field 28, one cut short, and ones with a refused value.
const SeedRegistration seeds([](const fs::path& folder) {
    ResetWorld();
    const Bytes defaults = Encoded();
    PersistentSettings& p = Session().settings;
    p.autosaveNumber = 65530;
    p.hoursToUT = -7;
    p.fast_par = true;
    p.guideStarMaskRadius = 13;
    p.backgroundChoice = 'r';
    p.raBacklash = 30;
    p.decBacklash = 29;
    p.telescopeType = TelescopeType::ControlBox;
    p.driveDirections = {'s', 'n', 'w', 'e'};
    p.autoUserStretchLevel = 36;
    p.autoUnsharpDiameter = 6;
    p.fastParExtra = true;
    p.fitsObject = "M42";
    p.fitsHistory = std::string(255, 'h');
    p.fitsComment = "a comment";
    p.apertureSquareInches = 12.5;
    p.unsignedIntFits = true;
    const Bytes distinct = Encoded();
    WriteFile(folder / "default", defaults);
    WriteFile(folder / "distinct", distinct);
    Bytes withoutField28 = distinct;
    withoutField28.erase(withoutField28.begin() + 44);
    WriteFile(folder / "without_field_28", withoutField28);
    WriteFile(folder / "short", Bytes(distinct.begin(), distinct.begin() + 400));
    struct Refused {
        const char* name;
        size_t offset;
        uint8_t value;
    };
    for (const Refused& r : {Refused{"background", 11, 'x'}, Refused{"dec_backlash", 19, 31},
                             Refused{"telescope", 22, 'z'}, Refused{"unsharp", 41, 7}}) {
        Bytes refused = distinct;
        refused[r.offset] = r.value;
        WriteFile(folder / (std::string("refused_") + r.name), refused);
    }
});

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    ResetWorld();
    std::filesystem::create_directories(SettingsFile().parent_path());
    WriteFile(SettingsFile(), {data, size});
    const Bytes before = ReadFile(SettingsFile());

    const int16_t result = LoadSettings();
    VEXA_FUZZ_CHECK(result == 0 || result == 2);
    VEXA_FUZZ_CHECK(TextsFitTheirCards());
    VEXA_FUZZ_CHECK(NamesIn(SettingsFile().parent_path()) ==
                    std::vector<std::string>{"Vexa_Q4.ini"});
    const Bytes after = ReadFile(SettingsFile());
    if (result == 2) {
        VEXA_FUZZ_CHECK(after == before);  // a short file is reported, not rewritten
        VEXA_FUZZ_CHECK(size < kSettingsFileBytes);
    } else if (after != before) {
        // Repaired: the file now holds exactly the session's settings and is sound.
        VEXA_FUZZ_CHECK(after == Encoded());
        CheckLoadsAsItStands();
    } else {
        VEXA_FUZZ_CHECK(size >= kShortestWholeFile);
    }
    // Whatever was loaded, the program's own file of it loads again unchanged.
    VEXA_FUZZ_CHECK(SaveSettings() == 0);
    CheckLoadsAsItStands();
    return 0;
}
