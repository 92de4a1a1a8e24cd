// The one place where the driver reaches into libindi's INDI::CCD: its primary chip, the
// chip's properties and the frame-buffer lock. libindi 2.x renamed and retyped these members
// (raw property structs became INDI::PropertyNumber and friends); a port to it changes this
// file and ccd_base.cpp alone. The driver derives from CcdBase and uses only what is here.
#pragma once

#include <indiccd.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "indi/frame_cut.h"

namespace vexa::indi {

class CcdBase : public INDI::CCD {
  protected:
    // The sensor: size in pixels, bits per sample, square pixels of this size in micrometres.
    void SetSensor(int width, int height, int bits, double pixelMicrometres);
    // The exposure times and binnings the clients may ask for.
    void SetExposureRange(double shortestSeconds, double longestSeconds, double stepSeconds);
    void SetBinningRange(int most);
    // The frame and binning of the next frame; the frame buffer is resized to hold it, under
    // the buffer lock, since the base class may still be sending the previous frame from it.
    void SetChipFrame(const FrameRequest& frame);
    // The exposure time the FITS header records, and the moment DATE-OBS gives: call it as the
    // exposure starts.
    void NoteExposureStart(double seconds);
    void ShowExposureLeft(double seconds);
    // The exposure ends in the alert state, without a frame.
    void FailExposure();
    // Fills the frame buffer under the buffer lock, then hands the frame over: the base class
    // writes the FITS file (with its header) and sends it as the CCD1 BLOB from its own thread.
    void DeliverFrame(const std::function<void(uint8_t* buffer)>& fill);
};

}  // namespace vexa::indi
