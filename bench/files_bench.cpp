// The image files on a Full image, side by side with the outside libraries: the FITS writer
// and reader against cfitsio, the TIFF writer against libtiff (one strip), and loading a TQ
// file against a plain read of the same bytes. The files go to VEXA_BENCH_DIR, else /dev/shm,
// else /tmp. Our writers flush each file to disk before replacing the old one (fsync); the
// "Durable" library variants do the same so that disk-backed runs compare like with like.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "files/tq_file.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/ui_services.h"

#ifdef VEXA_HAVE_CFITSIO
#include <fitsio.h>
#endif
#ifdef VEXA_HAVE_LIBTIFF
#include <tiffio.h>
#endif

namespace {

using namespace vexa;
namespace fs = std::filesystem;

constexpr size_t kTqBytes = static_cast<size_t>(kFullTqFileBytes);

fs::path BenchFolder() {
    static const fs::path folder = [] {
        fs::path base = "/tmp";
        if (const char* dir = std::getenv("VEXA_BENCH_DIR"); dir && *dir) {
            base = dir;
        } else if (fs::is_directory("/dev/shm")) {
            base = "/dev/shm";
        }
        std::string pattern = (base / "vexa_files_bench_XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        return made ? fs::path(made) : base;
    }();
    return folder;
}

// A noisy sky over the whole Full image in currentImage, the Full geometry, a private drive
// root and the quiet user interface.
void PrepareSession() {
    static QuietUi ui;
    static const std::vector<uint16_t> sky = bench::NoisySky(7, 3000.0, 600.0);
    bench::LoadFullImage(sky);
    Session().settings.unsignedIntFits = true;
    SetDriveRoot(BenchFolder());
    SetUi(&ui);
    InstallDisplayRefresh();
}

void SetBytes(benchmark::State& state, size_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

[[maybe_unused]] void FsyncPath(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// ---- FITS ----

void BM_WriteFitsFile(benchmark::State& state) {
    PrepareSession();
    const std::string path = (BenchFolder() / "ours.fit").string();
    for (auto _ : state) {
        if (!WriteFitsFile(path, Session().currentImage, false))
            state.SkipWithError("write failed");
    }
    SetBytes(state, static_cast<size_t>(kFullFitsFileBytes));
}
BENCHMARK(BM_WriteFitsFile)->Unit(benchmark::kMillisecond);

void BM_ReadFitsFile(benchmark::State& state) {
    PrepareSession();
    const fs::path path = BenchFolder() / "ours_read.fit";
    WriteFitsFile(path.string(), Session().currentImage, false);
    Plane& into = Session().workImage;
    for (auto _ : state) {
        if (ReadFitsFileFrom(path, into) != FitsReadResult::Ok) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(into.data());
    }
    SetBytes(state, static_cast<size_t>(kFullFitsFileBytes));
}
BENCHMARK(BM_ReadFitsFile)->Unit(benchmark::kMillisecond);

#ifdef VEXA_HAVE_CFITSIO
// The same samples as a 16-bit image with no offset: the bytes our default file carries.
bool CfitsioWrite(const fs::path& path) {
    fitsfile* f = nullptr;
    int status = 0;
    std::string name("!");  // "!" replaces an existing file
    name.append(path.string());
    long axes[2] = {kFullWidth, kFullHeight};
    fits_create_file(&f, name.c_str(), &status);
    fits_create_img(f, SHORT_IMG, 2, axes, &status);
    fits_write_img(f, TSHORT, 1, kFullSampleCount,
                   reinterpret_cast<short*>(Session().currentImage.data()), &status);
    fits_close_file(f, &status);
    return status == 0;
}

void BM_CfitsioWrite(benchmark::State& state) {
    PrepareSession();
    const fs::path path = BenchFolder() / "cfitsio.fit";
    for (auto _ : state) {
        if (!CfitsioWrite(path)) state.SkipWithError("cfitsio write failed");
    }
    SetBytes(state, static_cast<size_t>(kFullFitsFileBytes));
}
BENCHMARK(BM_CfitsioWrite)->Unit(benchmark::kMillisecond);

void BM_CfitsioWriteDurable(benchmark::State& state) {
    PrepareSession();
    const fs::path path = BenchFolder() / "cfitsio.fit";
    for (auto _ : state) {
        if (!CfitsioWrite(path)) state.SkipWithError("cfitsio write failed");
        FsyncPath(path);
    }
    SetBytes(state, static_cast<size_t>(kFullFitsFileBytes));
}
BENCHMARK(BM_CfitsioWriteDurable)->Unit(benchmark::kMillisecond);

void BM_CfitsioRead(benchmark::State& state) {
    PrepareSession();
    const fs::path path = BenchFolder() / "ours_read.fit";
    WriteFitsFile(path.string(), Session().currentImage, false);
    std::vector<uint16_t> into(kFullSampleCount);
    for (auto _ : state) {
        fitsfile* f = nullptr;
        int status = 0;
        int anyNull = 0;
        fits_open_file(&f, path.c_str(), READONLY, &status);
        fits_read_img(f, TUSHORT, 1, kFullSampleCount, nullptr, into.data(), &anyNull, &status);
        fits_close_file(f, &status);
        if (status != 0) state.SkipWithError("cfitsio read failed");
        benchmark::DoNotOptimize(into.data());
    }
    SetBytes(state, static_cast<size_t>(kFullFitsFileBytes));
}
BENCHMARK(BM_CfitsioRead)->Unit(benchmark::kMillisecond);
#endif

// ---- TIFF ----

void BM_WriteTiffFile(benchmark::State& state) {
    PrepareSession();
    const std::string path = (BenchFolder() / "ours.tif").string();
    for (auto _ : state) {
        if (!WriteTiffFile(path, Session().currentImage)) state.SkipWithError("write failed");
    }
    SetBytes(state, static_cast<size_t>(TiffFileBytes(kFullWidth, kFullHeight)));
}
BENCHMARK(BM_WriteTiffFile)->Unit(benchmark::kMillisecond);

#ifdef VEXA_HAVE_LIBTIFF
// The same 8-bit image (high bytes) as one strip.
bool LibtiffWrite(const fs::path& path, std::vector<uint8_t>& bytes) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (t == nullptr) return false;
    const uint16_t* samples = Session().currentImage.data();
    for (int k = 0; k < kFullSampleCount; ++k) bytes[k] = static_cast<uint8_t>(samples[k] >> 8);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(kFullWidth));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(kFullHeight));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(kFullHeight));
    const bool ok = TIFFWriteEncodedStrip(t, 0, bytes.data(), kFullSampleCount) == kFullSampleCount;
    TIFFClose(t);
    return ok;
}

void BM_LibtiffWrite(benchmark::State& state) {
    PrepareSession();
    TIFFSetWarningHandler(nullptr);
    const fs::path path = BenchFolder() / "libtiff.tif";
    std::vector<uint8_t> bytes(kFullSampleCount);
    for (auto _ : state) {
        if (!LibtiffWrite(path, bytes)) state.SkipWithError("libtiff write failed");
    }
    SetBytes(state, static_cast<size_t>(TiffFileBytes(kFullWidth, kFullHeight)));
}
BENCHMARK(BM_LibtiffWrite)->Unit(benchmark::kMillisecond);

void BM_LibtiffWriteDurable(benchmark::State& state) {
    PrepareSession();
    TIFFSetWarningHandler(nullptr);
    const fs::path path = BenchFolder() / "libtiff.tif";
    std::vector<uint8_t> bytes(kFullSampleCount);
    for (auto _ : state) {
        if (!LibtiffWrite(path, bytes)) state.SkipWithError("libtiff write failed");
        FsyncPath(path);
    }
    SetBytes(state, static_cast<size_t>(TiffFileBytes(kFullWidth, kFullHeight)));
}
BENCHMARK(BM_LibtiffWriteDurable)->Unit(benchmark::kMillisecond);
#endif

// ---- TQ load ----

fs::path TqBenchFile() {
    const fs::path path = BenchFolder() / "bench.tq";
    if (!fs::exists(path)) {
        PrepareSession();
        WriteTqFileTo(path, Session().currentImage.data(), kFullWidth, kFullHeight);
    }
    return path;
}

// The whole command: size dispatch, read, FITS details reset and the display refresh.
void BM_LoadImageFileTq(benchmark::State& state) {
    const fs::path path = TqBenchFile();
    PrepareSession();
    for (auto _ : state) {
        if (!LoadImageFile(path.string())) state.SkipWithError("load failed");
    }
    SetBytes(state, kTqBytes);
}
BENCHMARK(BM_LoadImageFileTq)->Unit(benchmark::kMillisecond);

// The file part of the load alone: the same work as above less the display refresh, which
// every image change pays and which is measured in the display benchmarks.
void BM_LoadTqReference(benchmark::State& state) {
    const fs::path path = TqBenchFile();
    PrepareSession();
    for (auto _ : state) {
        if (!LoadTqReference(path.string())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(Session().workImage.data());
    }
    SetBytes(state, kTqBytes);
}
BENCHMARK(BM_LoadTqReference)->Unit(benchmark::kMillisecond);

void BM_PlainReadTq(benchmark::State& state) {
    const fs::path path = TqBenchFile();
    std::vector<uint16_t> into(kFullSampleCount);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        size_t got = 0;
        while (fd >= 0 && got < kTqBytes) {
            const ssize_t n =
                ::read(fd, reinterpret_cast<char*>(into.data()) + got, kTqBytes - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (fd >= 0) ::close(fd);
        if (got != kTqBytes) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(into.data());
    }
    SetBytes(state, kTqBytes);
}
BENCHMARK(BM_PlainReadTq)->Unit(benchmark::kMillisecond);

}  // namespace
