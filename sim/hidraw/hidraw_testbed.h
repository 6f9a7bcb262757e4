// An emulated USB HID tree for the system's HID library: virtual modules and devices of other
// vendors, each behind its own /dev/hidrawN, in a umockdev testbed.
//
// Creating the testbed points $UMOCKDEV_DIR at it. Programs started afterwards with
// LD_PRELOAD=libumockdev-preload.so.0 (see kPreloadLibrary) see only this tree in /sys and /dev,
// so the system's libhidapi-hidraw enumerates the devices through udev and talks to a module
// through a real file descriptor. This process itself keeps the real /sys and /dev.
// One testbed per process at a time.
#ifndef ZEL_SIM_HIDRAW_HIDRAW_TESTBED_H
#define ZEL_SIM_HIDRAW_HIDRAW_TESTBED_H

#include <umockdev.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/hidraw/device_tree.h"
#include "sim/hidraw/glib_handle.h"
#include "sim/hidraw/hidraw_endpoint.h"
#include "sim/virtual_module.h"

namespace zel::sim::hidraw {

inline constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";

class HidrawTestbed {
public:
    HidrawTestbed();
    ~HidrawTestbed();
    HidrawTestbed(const HidrawTestbed&) = delete;
    HidrawTestbed& operator=(const HidrawTestbed&) = delete;

    // Plugs a module into the next USB port. The endpoint lives as long as the testbed.
    HidrawEndpoint& addModule(ModuleIdentity id = defaultIdentity());

    // Plugs a HID device that is not a module into the next USB port: it enumerates, and its
    // node exists, but nothing serves it.
    void addDevice(const HidInterface& interface);

private:
    DeviceTree plug(const HidInterface& interface);

    GObjectHandle<UMockdevTestbed> testbed_;
    std::vector<std::unique_ptr<HidrawEndpoint>> endpoints_;
    std::vector<std::string> servedNodes_;
    unsigned ports_ = 0;
};

} // namespace zel::sim::hidraw

#endif
