// Standard FITS images as other programs write them, made by cfitsio itself, for the tests
// of the loader that reads them.
#pragma once

#include <fitsio.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace vexa::test {

constexpr long kLastSample = -1;  // in ForeignFile::stored, the last sample of the image

// A standard FITS image as another program writes it, made by cfitsio itself. The stored
// values are written as they are (the scaling is switched off for the write), so the
// expected samples are the hand-computed stored x BSCALE + BZERO.
struct ForeignFile {
    int bitpix = SHORT_IMG;
    std::vector<long> axes{650, 515};
    std::optional<double> bzero, bscale;
    std::optional<long> blank;
    double fill = 0.0;
    std::vector<std::pair<long, double>> stored;  // (sample index, stored value) over the fill
    std::function<double(long)> pattern;          // stored value of each sample instead of fill
    int compression = 0;                          // a cfitsio compression type; ushort physical
    bool emptyPrimary = false;                    // the image in the first extension
    std::function<void(fitsfile*)> primaryKeys;   // with emptyPrimary
    std::function<void(fitsfile*)> imageKeys;
};

inline long SampleCountOf(const std::vector<long>& axes) {
    long count = 1;
    for (long a : axes) count *= a;
    return count;
}

inline int WriteForeign(const std::filesystem::path& path, const ForeignFile& foreign) {
    std::filesystem::remove(path);
    fitsfile* f = nullptr;
    int status = 0;
    fits_create_diskfile(&f, path.c_str(), &status);
    if (foreign.emptyPrimary) {
        fits_create_img(f, BYTE_IMG, 0, nullptr, &status);
        if (foreign.primaryKeys) foreign.primaryKeys(f);
    }
    if (foreign.compression != 0) fits_set_compression_type(f, foreign.compression, &status);
    std::vector<long> axes = foreign.axes;
    fits_create_img(f, foreign.bitpix, static_cast<int>(axes.size()), axes.data(), &status);
    if (foreign.bzero)
        fits_write_key(f, TDOUBLE, "BZERO", const_cast<double*>(&*foreign.bzero), nullptr, &status);
    if (foreign.bscale)
        fits_write_key(f, TDOUBLE, "BSCALE", const_cast<double*>(&*foreign.bscale), nullptr,
                       &status);
    if (foreign.blank)
        fits_write_key(f, TLONG, "BLANK", const_cast<long*>(&*foreign.blank), nullptr, &status);
    if (foreign.imageKeys) foreign.imageKeys(f);
    const long count = SampleCountOf(foreign.axes);
    std::vector<double> values(static_cast<size_t>(count), foreign.fill);
    if (foreign.pattern) {
        for (long i = 0; i < count; ++i) values[static_cast<size_t>(i)] = foreign.pattern(i);
    }
    for (auto [index, value] : foreign.stored)
        values[static_cast<size_t>(index < 0 ? count + index : index)] = value;
    if (foreign.compression == 0) {
        fits_set_hdustruc(f, &status);
        fits_set_bscale(f, 1.0, 0.0, &status);
    }
    if (foreign.compression != 0) {
        // cfitsio compresses from integers only.
        std::vector<unsigned short> words(values.begin(), values.end());
        fits_write_img(f, TUSHORT, 1, count, words.data(), &status);
    } else if (count > 0) {
        fits_write_img(f, TDOUBLE, 1, count, values.data(), &status);
    }
    fits_close_file(f, &status);
    return status;
}

inline void WriteTextKey(fitsfile* f, const char* key, const char* value) {
    int status = 0;
    fits_write_key(f, TSTRING, key, const_cast<char*>(value), nullptr, &status);
}

inline void WriteNumberKey(fitsfile* f, const char* key, double value) {
    int status = 0;
    fits_write_key(f, TDOUBLE, key, &value, nullptr, &status);
}

}  // namespace vexa::test
