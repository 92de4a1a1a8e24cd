// The devices a front end (the window, the command line, a test) made for itself and hands to
// the commands that use them: the camera and the link to the mount. The core reaches a device
// no other way.
#pragma once

namespace vexa {

class Camera;
class MountLink;

struct FrontEndDevices {
    Camera* camera = nullptr;    // none: the camera commands find no camera
    MountLink* mount = nullptr;  // none: the telescope commands find no connection
};

}  // namespace vexa
