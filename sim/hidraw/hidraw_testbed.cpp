#include "sim/hidraw/hidraw_testbed.h"

#include <stdlib.h>

#include <stdexcept>

namespace zel::sim::hidraw {

namespace {

constexpr const char* kManufacturer = "Zel";
constexpr const char* kModuleProduct = "NIR spectrometer module";

void check(gboolean ok, GError* error, const std::string& what)
{
    GErrorHandle owned(error);
    if (!ok) {
        throw std::runtime_error("hidraw testbed: " + what + ": " +
                                 (owned ? owned->message : "failed"));
    }
}

} // namespace

HidrawTestbed::HidrawTestbed() : testbed_(umockdev_testbed_new()) {}

HidrawTestbed::~HidrawTestbed()
{
    // No handler may run on an endpoint that is gone.
    for (const std::string& node : servedNodes_) {
        umockdev_testbed_detach_ioctl(testbed_.get(), node.c_str(), nullptr);
    }
    endpoints_.clear();
}

DeviceTree HidrawTestbed::plug(const HidInterface& interface)
{
    DeviceTree tree = describe(interface, ports_++);
    GError* error = nullptr;
    const gboolean added =
        umockdev_testbed_add_from_string(testbed_.get(), tree.description.c_str(), &error);
    check(added, error, "adding " + tree.devNode);
    return tree;
}

HidrawEndpoint& HidrawTestbed::addModule(ModuleIdentity id)
{
    HidInterface interface{kModuleVendorId, id.productId, id.serial, kManufacturer, kModuleProduct};
    const DeviceTree tree = plug(interface);

    const int master = umockdev_testbed_get_dev_fd(testbed_.get(), tree.devNode.c_str());
    const char* slave = master >= 0 ? ptsname(master) : nullptr;
    if (slave == nullptr) {
        throw std::runtime_error("hidraw testbed: no PTY behind " + tree.devNode);
    }
    NodeIdentity node{interface.vendorId, interface.productId, interface.product,
                      tree.phys,
                      toUtf8(interface.serial)};
    auto endpoint = std::make_unique<HidrawEndpoint>(std::move(id), std::move(node), master, slave);

    GError* error = nullptr;
    const gboolean attached = umockdev_testbed_attach_ioctl(testbed_.get(), tree.devNode.c_str(),
                                                            endpoint->handler(), &error);
    check(attached, error, "serving " + tree.devNode);
    servedNodes_.push_back(tree.devNode);
    endpoints_.push_back(std::move(endpoint));
    return *endpoints_.back();
}

void HidrawTestbed::addDevice(const HidInterface& interface)
{
    plug(interface);
}

} // namespace zel::sim::hidraw
