#include "sim/hidraw/hidraw_endpoint.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/hidraw/report_descriptor.h"

namespace zel::sim::hidraw {

namespace {

constexpr std::size_t kOutputReportSize = kReportSize + 1;  // report number 0, then the message
// A signal byte written is on its way through the PTY; it arrives within microseconds.
constexpr int kSignalArrivalMs = 1000;

// The ioctl's memory in the harness, or null when the client's pointer is bad.
GObjectHandle<UMockdevIoctlData> resolved(UMockdevIoctlClient* client, std::size_t length)
{
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    GErrorHandle owned(error);
    return GObjectHandle<UMockdevIoctlData>(data);
}

// As the kernel answers the string ioctls: the text with its terminator, cut to the room given.
void answerString(UMockdevIoctlClient* client, const std::string& text, std::size_t room)
{
    const std::size_t length = std::min(text.size() + 1, room);
    auto data = resolved(client, length);
    if (!data) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    std::memcpy(data->data, text.c_str(), length);
    umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
}

template <typename T>
void answerValue(UMockdevIoctlClient* client, const T& value)
{
    auto data = resolved(client, sizeof value);
    if (!data) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    std::memcpy(data->data, &value, sizeof value);
    umockdev_ioctl_client_complete(client, 0, 0);
}

} // namespace

HidrawEndpoint::HidrawEndpoint(ModuleIdentity id, NodeIdentity node, int masterFd,
                               const std::string& slavePath)
    : module_(std::move(id)), node_(std::move(node)), masterFd_(masterFd),
      slaveFd_(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)),
      handler_(umockdev_ioctl_base_new())
{
    if (!slaveFd_ || ::fcntl(masterFd_, F_SETFL, ::fcntl(masterFd_, F_GETFL) | O_NONBLOCK) != 0) {
        throw std::runtime_error("hidraw endpoint: cannot open the PTY behind " + slavePath);
    }
    g_signal_connect(handler_.get(), "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler_.get(), "handle-read", G_CALLBACK(onRead), this);
    g_signal_connect(handler_.get(), "handle-write", G_CALLBACK(onWrite), this);
    g_signal_connect(handler_.get(), "client-connected", G_CALLBACK(onConnected), this);
}

HidrawEndpoint::~HidrawEndpoint()
{
    g_signal_handlers_disconnect_by_data(handler_.get(), this);
}

std::size_t HidrawEndpoint::queuedReports()
{
    std::lock_guard lock(mutex_);
    return inputs_.size();
}

gboolean HidrawEndpoint::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    static_cast<HidrawEndpoint*>(self)->answerIoctl(client);
    return TRUE;
}

gboolean HidrawEndpoint::onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    static_cast<HidrawEndpoint*>(self)->answerRead(client);
    return TRUE;
}

gboolean HidrawEndpoint::onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    static_cast<HidrawEndpoint*>(self)->answerWrite(client);
    return TRUE;
}

void HidrawEndpoint::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer self)
{
    static_cast<HidrawEndpoint*>(self)->startOver();
}

void HidrawEndpoint::answerIoctl(UMockdevIoctlClient* client)
{
    const gulong request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != 'H') {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return;
    }
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE):
        answerValue(client, static_cast<int>(kReportDescriptor.size()));
        return;
    case _IOC_NR(HIDIOCGRDESC): {
        auto data = resolved(client, sizeof(hidraw_report_descriptor));
        if (!data) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        auto* descriptor = reinterpret_cast<hidraw_report_descriptor*>(data->data);
        if (descriptor->size > HID_MAX_DESCRIPTOR_SIZE - 1) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        const std::size_t length = std::min<std::size_t>(descriptor->size, kReportDescriptor.size());
        std::memcpy(descriptor->value, kReportDescriptor.data(), length);
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        hidraw_devinfo info{};
        info.bustype = BUS_USB;
        info.vendor = static_cast<__s16>(node_.vendorId);
        info.product = static_cast<__s16>(node_.productId);
        answerValue(client, info);
        return;
    }
    case _IOC_NR(HIDIOCGRAWNAME(0)):
        answerString(client, node_.name, _IOC_SIZE(request));
        return;
    case _IOC_NR(HIDIOCGRAWPHYS(0)):
        answerString(client, node_.phys, _IOC_SIZE(request));
        return;
    case _IOC_NR(HIDIOCGRAWUNIQ(0)):
        answerString(client, node_.uniq, _IOC_SIZE(request));
        return;
    case _IOC_NR(HIDIOCSFEATURE(0)):
    case _IOC_NR(HIDIOCGFEATURE(0)):
    case _IOC_NR(HIDIOCSINPUT(0)):
    case _IOC_NR(HIDIOCGINPUT(0)):
    case _IOC_NR(HIDIOCSOUTPUT(0)):
    case _IOC_NR(HIDIOCGOUTPUT(0)):
        // The interface has no feature reports, and the device stalls such control requests.
        umockdev_ioctl_client_complete(client, -1, EPIPE);
        return;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return;
    }
}

void HidrawEndpoint::answerRead(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);
    if (inputs_.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    const Report report = inputs_.front();
    inputs_.pop_front();
    consumeSignal();
    const auto length = std::min<std::size_t>(report.size(), static_cast<std::size_t>(buffer->data_len));
    std::memcpy(buffer->data, report.data(), length);
    umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
}

void HidrawEndpoint::answerWrite(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    // The descriptor declares no numbered reports: only report 0, with all 64 bytes, goes out.
    if (static_cast<std::size_t>(buffer->data_len) != kOutputReportSize || buffer->data[0] != 0) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        module_.receive(std::span<const uint8_t, kReportSize>(buffer->data + 1, kReportSize));
        while (auto report = module_.takeReport()) {
            inputs_.push_back(*report);
            ++unsignalled_;
        }
        signalQueued();
    }
    umockdev_ioctl_client_complete(client, static_cast<glong>(kOutputReportSize), 0);
}

void HidrawEndpoint::startOver()
{
    std::lock_guard lock(mutex_);
    module_.resetLink();
    inputs_.clear();
    unsignalled_ = 0;
    ::tcflush(slaveFd_.get(), TCIFLUSH);
}

void HidrawEndpoint::signalQueued()
{
    while (unsignalled_ > 0) {
        const char signal = 'R';
        if (::write(masterFd_, &signal, 1) != 1) {
            return;  // the PTY is full; the rest go as reports are read
        }
        --unsignalled_;
    }
}

void HidrawEndpoint::consumeSignal()
{
    // The report just taken was either still unsignalled, or its byte is in the PTY.
    if (unsignalled_ > inputs_.size()) {
        --unsignalled_;
    } else {
        pollfd readable{slaveFd_.get(), POLLIN, 0};
        char signal = 0;
        if (::poll(&readable, 1, kSignalArrivalMs) == 1) {
            [[maybe_unused]] const ssize_t taken = ::read(slaveFd_.get(), &signal, 1);
        }
    }
    signalQueued();
}

} // namespace zel::sim::hidraw
