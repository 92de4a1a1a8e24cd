// The written FITS and TIFF files read by outside programs: astropy, fitsverify, tiffinfo
// (installed by scripts/install-deps).
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "files/tq_file.h"
#include "processing/undo_history.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

RunResult RunCommand(const std::string& command) {
    RunResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0) {
            line = line.substr(start);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            lines.push_back(line);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Opens the file with astropy's defaults (a missing END card is not tolerated) and compares
// data and header with what the test wrote. Prints OK and each warning astropy gave.
constexpr const char* kAstropyCheck = R"PY(
import sys, warnings
import numpy as np
from astropy.io import fits

path, raw, width, height, bzero, expected = sys.argv[1:7]
width, height, bzero = int(width), int(height), int(bzero)
want = {}
for line in open(expected, encoding="ascii"):
    key, _, value = line.rstrip("\n").partition("=")
    want[key] = value

problems = []
with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    with fits.open(path, ignore_missing_end=False) as hdul:
        if len(hdul) != 1:
            problems.append("HDUs: %d" % len(hdul))
        header = hdul[0].header
        data = np.array(hdul[0].data)
samples = np.fromfile(raw, dtype="<u2").reshape(height, width)
if data.shape != (height, width):
    problems.append("shape %r" % (data.shape,))
elif bzero == 0:
    # Without the offset a reader sees the samples as signed 16-bit values.
    if data.dtype.kind != "i" or not np.array_equal(data.astype(np.int32),
                                                   samples.view("<i2").astype(np.int32)):
        problems.append("signed data differ")
else:
    if not np.array_equal(data.astype(np.int64), samples.astype(np.int64)):
        problems.append("unsigned data differ")
for key in ("OBJECT", "TELESCOP", "INSTRUME", "OBSERVER", "ORIGIN", "DATE-OBS", "TIME-OBS",
            "FILTER"):
    if header[key] != want[key]:
        problems.append("%s: %r" % (key, header[key]))
for key in ("EXPTIME", "FOCALLEN", "APERTURE", "PIXWIDTH", "PIXHEIGH", "BZERO"):
    if abs(float(header[key]) - float(want[key])) > 1e-9 * max(1.0, abs(float(want[key]))):
        problems.append("%s: %r" % (key, header[key]))
history = [str(h) for h in header["HISTORY"]]
if history[:2] != ["= '%s'" % want["HISTORY1"], "= '%s'" % want["HISTORY2"]]:
    problems.append("HISTORY: %r" % history[:2])
if header["NAXIS1"] != width or header["NAXIS2"] != height or header["BITPIX"] != 16:
    problems.append("axes")
for p in problems:
    print("PROBLEM:", p)
if not problems:
    print("OK")
for w in caught:
    print("WARNING:", w.message)
)PY";

class OutsideReadersTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    fs::path PathOf(const std::string& name) const { return fs::path(fixture.root) / name; }

    void SetDetails() {
        PersistentSettings& p = s.settings;
        p.fitsObject = "it's";
        p.fitsTelescope = "C8";
        p.fitsInstrument = "TQ4 camera";
        p.fitsObserver = "Ann";
        p.fitsOrigin = "Home";
        s.fitsDate = "5/3/07";
        s.fitsTime = "03:07:09";
        p.fitsFilter = "Red";
        p.fitsHistory = "abc";
        s.exposureSeconds = 120.5;
        p.focalLengthInches = 80.0;
        p.apertureSquareInches = 50.25;
        ClearHistory();
        AppendHistory("Normal Stretch");
        AppendHistory("Dark Frame Subtracted");
    }

    void WriteExpected(const fs::path& path) const {
        std::ofstream out(path);
        out << "OBJECT=it's\nTELESCOP=C8\nINSTRUME=TQ4 camera\nOBSERVER=Ann\nORIGIN=Home\n"
               "DATE-OBS=5/3/07\nTIME-OBS=03:07:09\nFILTER=Red\nEXPTIME=120.5\nFOCALLEN=80\n"
               "APERTURE=50.25\nPIXWIDTH=0.0074\nPIXHEIGH=0.0074\n"
               "HISTORY1=Normal Stretch\nHISTORY2=Dark Frame Subtracted\n"
            << "BZERO=" << (s.settings.unsignedIntFits ? 0 : 32768) << "\n";
    }
};

TEST_F(OutsideReadersTest, AstropyReadsBothGeometriesWithBothOffsets) {
    const fs::path script = PathOf("check.py");
    std::ofstream(script) << kAstropyCheck;
    SetDetails();
    for (int mode : {0, 1}) {
        for (bool unsignedFits : {true, false}) {
            SCOPED_TRACE("geometry " + std::to_string(mode) +
                         (unsignedFits ? " BZERO 0" : " BZERO 32768"));
            test::SetPatternImage(mode, unsignedFits ? 0 : 77);
            s.settings.unsignedIntFits = unsignedFits;
            ASSERT_TRUE(WriteFitsFile(PathOf("a.fit").string(), s.currentImage, false));
            ASSERT_TRUE(WriteTqFileTo(PathOf("a.raw"), s.currentImage.data(), s.geometry.width,
                                      s.geometry.height));
            WriteExpected(PathOf("expected.txt"));
            const RunResult r =
                RunCommand("/usr/bin/python3 " + script.string() + " " + PathOf("a.fit").string() +
                           " " + PathOf("a.raw").string() + " " + std::to_string(s.geometry.width) +
                           " " + std::to_string(s.geometry.height) + " " +
                           (unsignedFits ? "0" : "32768") + " " + PathOf("expected.txt").string());
            EXPECT_EQ(r.exitCode, 0) << r.output;
            // The 2,400 trailer bytes reach past the last 2,880-byte block: astropy notes them.
            EXPECT_EQ(r.output,
                      "OK\nWARNING: Unexpected extra padding at the end of the file.  This "
                      "padding may not be preserved when saving changes.\n");
        }
    }
}

TEST_F(OutsideReadersTest, FitsverifyComplaintsAreTheKnownOnes) {
    SetDetails();
    struct Case {
        int mode;
        const char* extraBytesAt;
    };
    for (const Case& c : {Case{0, "2684160"}, Case{1, "676800"}}) {
        test::SetPatternImage(c.mode);
        ASSERT_TRUE(WriteFitsFile(PathOf("v.fit").string(), s.currentImage, false));
        const RunResult r = RunCommand("fitsverify " + PathOf("v.fit").string());
        ASSERT_NE(r.exitCode, -1) << r.output;
        // Known: the old-style date "5/3/07" (day and month without leading zeros) and the
        // trailer bytes after the last 2,880-byte block. Anything new fails here.
        const std::vector<std::string> expected{
            "*** Error:   File has extra byte(s) after last HDU at byte " +
                std::string(c.extraBytesAt) + ".",
            "*** Error:   Keyword #11, DATE-OBS: (from CFITSIO error stack:)",
            "*** Warning: Keyword #11, DATE-OBS 5/3/07 intends to mean year 2007?",
            "**** Verification found 1 warning(s) and 2 error(s). ****",
        };
        EXPECT_EQ(LinesStartingWith(r.output, "***"), expected) << r.output;
    }
}

TEST_F(OutsideReadersTest, TiffinfoReadsBothSizesWithoutComplaint) {
    for (int mode : {0, 1}) {
        test::SetPatternImage(mode);
        ASSERT_TRUE(WriteTiffFile(PathOf("t.tif").string(), s.currentImage));
        const RunResult r = RunCommand("tiffinfo -D " + PathOf("t.tif").string());
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(r.output.find("rror"), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("arning"), std::string::npos) << r.output;
        const std::string size = mode == 0 ? "Image Width: 1300 Image Length: 1030"
                                           : "Image Width: 650 Image Length: 515";
        EXPECT_NE(r.output.find(size), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("Rows/Strip: 103"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("Bits/Sample: 8"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("min-is-black"), std::string::npos) << r.output;
    }
}

}  // namespace
}  // namespace vexa
