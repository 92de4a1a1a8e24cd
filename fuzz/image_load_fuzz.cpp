// Image files from outside: the input is a whole file, loaded as "Open..." loads it (TQ raw or
// this program's FITS, told apart by size, else any other program's FITS) and as a dark or
// flat reference. A load that fails changes nothing in the session, the title's file name
// included; one that succeeds holds the file's samples, and writing them back in the same
// format (FITS for another program's file) and loading that gives the same samples, and texts
// that a second write no longer changes.
#include <cstring>

#include "files/file_names.h"
#include "files/fits_file.h"
#include "files/tq_file.h"
#include "fuzz/fuzz_support.h"
#include "session/settings_file.h"

namespace vexa::fuzz {
namespace {

namespace fs = std::filesystem;

// Everything a load may touch, to compare before and after. The planes live on the heap.
struct Snapshot {
    std::vector<uint16_t> current;
    std::vector<uint16_t> work;
    int geometryMode;
    int32_t width;
    int32_t height;
    FitsDetails details;
    HistoryLines history;
    uint16_t sequenceNumber;
    std::array<uint8_t, kSettingsFileBytes> settings;

    static Snapshot Take() {
        const SessionState& s = Session();
        return {{s.currentImage.begin(), s.currentImage.end()},
                {s.workImage.begin(), s.workImage.end()},
                s.geometryMode,
                s.geometry.width,
                s.geometry.height,
                SessionFitsDetails(),
                s.historyLines,
                s.sequenceNumber,
                EncodeSettings(s.settings)};
    }
};

bool SameDetails(const FitsDetails& a, const FitsDetails& b) {
    return a.object == b.object && a.telescope == b.telescope && a.instrument == b.instrument &&
           a.observer == b.observer && a.origin == b.origin && a.date == b.date &&
           a.time == b.time && a.history == b.history && a.comment == b.comment &&
           a.filter == b.filter && a.unsignedIntFits == b.unsignedIntFits;
}

bool SameState(const Snapshot& a, const Snapshot& b) {
    return a.current == b.current && a.work == b.work && a.geometryMode == b.geometryMode &&
           a.width == b.width && a.height == b.height && SameDetails(a.details, b.details) &&
           a.history == b.history && a.sequenceNumber == b.sequenceNumber &&
           a.settings == b.settings;
}

bool Printable(const std::string& text) {
    for (char c : text)
        if (c < ' ' || c > '~') return false;
    return true;
}

// A session that differs from every default, so that a load that resets or half-fills
// something shows.
void DistinctSession() {
    SessionState& s = Session();
    for (size_t i = 0; i < s.currentImage.size(); ++i) {
        s.currentImage[i] = static_cast<uint16_t>(i * 7 + 3);
        s.workImage[i] = static_cast<uint16_t>(i * 13 + 5);
    }
    s.settings.fitsObject = "previous object";
    s.settings.fitsHistory = "previous history";
    s.fitsDate = "1/2/03";
    s.sequenceNumber = 77;
    std::strcpy(s.historyLines[0].data(), "previous line");
    s.currentFileName = "previous.tq";
}

uint16_t LittleEndianSample(const uint8_t* data, size_t i) {
    return static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8);
}

void CheckReferenceLoad(const fs::path& path, const uint8_t* data, size_t size) {
    ResetWorld();
    DistinctSession();
    const Snapshot before = Snapshot::Take();
    const bool loaded = LoadTqReference(path.string());
    const ImageFileKind kind = ImageFileKindOfSize(static_cast<int64_t>(size));
    VEXA_FUZZ_CHECK(loaded == (kind == ImageFileKind::TqHalf || kind == ImageFileKind::TqFull));
    Snapshot after = Snapshot::Take();
    if (loaded) {
        for (size_t i = 0; i < size / 2; ++i)
            VEXA_FUZZ_CHECK(Session().workImage[i] == LittleEndianSample(data, i));
        after.work = before.work;  // the one thing a reference load changes
    }
    VEXA_FUZZ_CHECK(SameState(before, after));
}

// Write the loaded image back in its format and load that; the samples must come back.
Snapshot WriteAndLoad(const fs::path& path, bool fits) {
    const SessionState& s = Session();
    const bool written =
        fits ? WriteFitsFile(path.string(), s.currentImage, false)
             : WriteTqFileTo(path, s.currentImage.data(), s.geometry.width, s.geometry.height);
    VEXA_FUZZ_CHECK(written);
    VEXA_FUZZ_CHECK(LoadImageFile(path.string()));
    return Snapshot::Take();
}

void CheckImageLoad(const fs::path& path, const uint8_t* data, size_t size) {
    test::FakeUi& ui = ResetWorld();
    DistinctSession();
    const Snapshot before = Snapshot::Take();
    const bool loaded = LoadImageFile(path.string());
    const Snapshot first = Snapshot::Take();
    if (!loaded) {
        VEXA_FUZZ_CHECK(Session().currentFileName == "previous.tq");
        VEXA_FUZZ_CHECK(ui.messages.size() == 1);
        VEXA_FUZZ_CHECK(SameState(before, first));
        return;
    }
    VEXA_FUZZ_CHECK(Session().currentFileName == NameAsOnDisk(path.string()));
    VEXA_FUZZ_CHECK(ui.messages.empty());
    const ImageFileKind kind = ImageFileKindOfSize(static_cast<int64_t>(size));
    // Another program's FITS file: any size but the program's own four.
    const bool foreign = kind == ImageFileKind::None;
    const bool fits = foreign || kind == ImageFileKind::FitsHalf || kind == ImageFileKind::FitsFull;
    if (!foreign) {
        const bool half = kind == ImageFileKind::TqHalf || kind == ImageFileKind::FitsHalf;
        VEXA_FUZZ_CHECK(first.width == (half ? kHalfWidth : kFullWidth));
    }
    VEXA_FUZZ_CHECK(first.width == kHalfWidth || first.width == kFullWidth);
    const size_t count = static_cast<size_t>(first.width) * static_cast<size_t>(first.height);
    if (!fits) {
        for (size_t i = 0; i < count; ++i)
            VEXA_FUZZ_CHECK(first.current[i] == LittleEndianSample(data, i));
    }
    const auto sameSamples = [&](const Snapshot& a, const Snapshot& b) {
        return std::equal(a.current.begin(), a.current.begin() + static_cast<long>(count),
                          b.current.begin());
    };

    const fs::path copy = ScratchFolder() / "copy";
    const Snapshot second = WriteAndLoad(copy, fits);
    VEXA_FUZZ_CHECK(sameSamples(first, second));
    VEXA_FUZZ_CHECK(second.width == first.width && second.height == first.height);
    // Texts of printable characters come back as they were read (another program's texts
    // may be longer than a card of ours holds); any text comes back unchanged from the second
    // write on.
    for (const auto& [a, b] : {std::pair{&first.details.object, &second.details.object},
                               {&first.details.telescope, &second.details.telescope},
                               {&first.details.instrument, &second.details.instrument},
                               {&first.details.observer, &second.details.observer},
                               {&first.details.origin, &second.details.origin},
                               {&first.details.filter, &second.details.filter}}) {
        if (!foreign && Printable(*a)) VEXA_FUZZ_CHECK(*a == *b);
    }
    const Snapshot third = WriteAndLoad(copy, fits);
    VEXA_FUZZ_CHECK(sameSamples(first, third));
    VEXA_FUZZ_CHECK(SameDetails(second.details, third.details));
    VEXA_FUZZ_CHECK(second.history == third.history);
    VEXA_FUZZ_CHECK(ui.messages.empty());
}

// Valid files of each size, written by the program: too big for the repository.
const SeedRegistration seeds([](const fs::path& folder) {
    ResetWorld();
    DistinctSession();
    SessionState& s = Session();
    s.settings.fitsObject = "M42";
    s.settings.fitsComment = "seed";
    s.exposureSeconds = 12.5;
    for (int mode : {0, 1}) {
        s.geometryMode = mode;
        ApplyGeometry();
        const std::string size = mode ? "half" : "full";
        (void)WriteTqFileTo(folder / ("tq_" + size), s.currentImage.data(), s.geometry.width,
                            s.geometry.height);
        // Small ones too: a header alone, and the start of a raw file.
        const auto header = BuildFitsHeader(SessionFitsDetails(), s.historyLines, false,
                                            s.geometry.width, s.geometry.height);
        WriteFile(folder / ("fits_header_" + size),
                  {reinterpret_cast<const uint8_t*>(header.data()), header.size()});
        for (bool unsignedFits : {false, true}) {
            s.settings.unsignedIntFits = unsignedFits;
            (void)WriteFitsFile((folder / ("fits_" + size + (unsignedFits ? "_u" : "_s"))).string(),
                                s.currentImage, false);
        }
    }
    // Another program's FITS file: the standard minimum header, signed samples offset by
    // BZERO, padded to whole blocks.
    constexpr size_t kBlockBytes = 2880;
    std::string header;
    for (const char* card :
         {"SIMPLE  =                    T", "BITPIX  =                   16",
          "NAXIS   =                    2", "NAXIS1  =                  650",
          "NAXIS2  =                  515", "BZERO   =                32768", "END"}) {
        std::string padded(card);
        padded.resize(80, ' ');
        header += padded;
    }
    header.resize(kBlockBytes, ' ');
    Bytes foreign(header.begin(), header.end());
    for (int i = 0; i < kHalfWidth * kHalfHeight; ++i) {
        const uint16_t stored = static_cast<uint16_t>((1000 + i % 4000) ^ 0x8000);
        foreign.push_back(static_cast<uint8_t>(stored >> 8));
        foreign.push_back(static_cast<uint8_t>(stored & 0xFF));
    }
    foreign.resize((foreign.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, 0);
    WriteFile(folder / "foreign_half", foreign);
    WriteFile(folder / "tq_start",
              {reinterpret_cast<const uint8_t*>(s.currentImage.data()), size_t{1000}});
});

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa::fuzz;
    const std::filesystem::path input = ScratchFolder() / "input";
    WriteFile(input, {data, size});
    CheckImageLoad(input, data, size);
    CheckReferenceLoad(input, data, size);
    return 0;
}
