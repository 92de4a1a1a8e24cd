#include "devices/usb_camera_choice.h"

#include <string>

namespace vexa {

namespace {

struct Camera {
    size_t bulk;
    size_t hid;
};

std::optional<size_t> FirstHidNodeOn(const std::vector<HidNode>& hid, UsbAddress usb) {
    for (size_t i = 0; i < hid.size(); ++i) {
        if (hid[i].usb == usb) return i;
    }
    return std::nullopt;
}

std::string ListCameras(const std::vector<BulkInCandidate>& bulk,
                        const std::vector<Camera>& cameras) {
    std::string list;
    for (const Camera& camera : cameras) {
        if (!list.empty()) list += ", ";
        list += DescribeUsbDevice(bulk[camera.bulk].id, bulk[camera.bulk].usb);
    }
    return list;
}

}  // namespace

std::string DescribeUsbDevice(UsbId id, UsbAddress usb) {
    return FormatUsbId(id) + " at bus " + std::to_string(usb.bus) + " address " +
           std::to_string(usb.address);
}

Status ChooseCamera(const std::vector<BulkInCandidate>& bulk, const std::vector<HidNode>& hid,
                    std::optional<UsbId> wanted, CameraChoice& choice) {
    choice = CameraChoice{};
    std::vector<Camera> cameras;
    for (size_t i = 0; i < bulk.size(); ++i) {
        bool deviceSeen = false;
        for (const Camera& camera : cameras) deviceSeen |= bulk[camera.bulk].usb == bulk[i].usb;
        if (deviceSeen) continue;
        if (const auto node = FirstHidNodeOn(hid, bulk[i].usb)) cameras.push_back({i, *node});
    }
    if (cameras.empty()) {
        std::string text =
            "no USB device with both a HID interface and a vendor-class bulk "
            "IN interface";
        if (!bulk.empty()) {
            text += " (bulk interface without HID interface on " +
                    DescribeUsbDevice(bulk.back().id, bulk.back().usb) + ")";
        }
        return Status(StatusCode::NotFound, text);
    }
    std::vector<Camera> eligible;
    for (const Camera& camera : cameras) {
        if (!wanted || bulk[camera.bulk].id == *wanted) eligible.push_back(camera);
    }
    if (eligible.empty()) {
        return Status(StatusCode::NotFound, "no camera with id " + FormatUsbId(*wanted) +
                                                "; found " + ListCameras(bulk, cameras));
    }
    const Camera taken = eligible.back();
    choice.bulk = taken.bulk;
    choice.hid = taken.hid;
    choice.camerasFound = static_cast<int>(cameras.size());
    if (eligible.size() > 1) {
        choice.notice = std::to_string(eligible.size()) + " cameras found (" +
                        ListCameras(bulk, eligible) + "); using the last one, " +
                        DescribeUsbDevice(bulk[taken.bulk].id, bulk[taken.bulk].usb) +
                        (wanted ? "" : ". Name another one by its vendor:product id");
    }
    return Status::Ok();
}

}  // namespace vexa
