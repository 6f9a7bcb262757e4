#include "device/module_impl.h"

#include "protocol/framing.h"
#include "tpl/tpl.h"

namespace zel {
namespace {

int codeOfExchange(int32_t status)
{
    switch (status) {
    case MSG_ERROR_FIELD_3:
        return ZEL_E_BUSY;
    case MSG_ERROR_FIELD_2:
        return ZEL_E_REFUSED;
    case MSG_ERROR_BAD_REPLY:
        return ZEL_E_BAD_REPLY;
    case MSG_ERROR_TIMEOUT:
        return ZEL_E_TIMEOUT;
    default:
        return ZEL_E_LINK;
    }
}

// Collects the libraries' lines of the active call, one entry per line without its newline.
void captureLine(void* context, int, const char* text)
{
    auto& lines = *static_cast<std::vector<std::string>*>(context);
    std::string line(text);
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    lines.push_back(std::move(line));
}

}  // namespace

Module::Impl::Impl(std::unique_ptr<device::ModuleTransport> transportIn, ModuleInfo infoIn)
    : transport(std::move(transportIn)), link(*transport), info(std::move(infoIn))
{
}

void Module::Impl::fail(int code, const std::string& step) const
{
    // A cancel or an unplug shows up below as a failed report; say what really happened.
    if (transport->cancelled()) {
        code = ZEL_E_CANCELLED;
    } else if (transport->disconnected()) {
        code = ZEL_E_DISCONNECTED;
    }
    throw Error(code, step + ": " + status_text(code));
}

void Module::Impl::check(int32_t status, const char* step) const
{
    if (status < 0) {
        fail(codeOfExchange(status), step);
    }
}

Module::Impl::Call::Call(Impl& impl) : impl_(impl), binding_(impl.link.link())
{
    if (impl.transport->disconnected()) {
        throw Error(ZEL_E_DISCONNECTED, std::string("module ") + impl.info.serial + ": " +
                                            status_text(ZEL_E_DISCONNECTED));
    }
    impl.transport->clearCancel();
    impl.diagnostics.clear();
    tpl_set_thread_sink(captureLine, &impl.diagnostics);
}

Module::Impl::Call::~Call()
{
    tpl_set_thread_sink(nullptr, nullptr);
}

Error Module::Impl::Call::failure(int code, const std::string& message) const
{
    return Error(code, message, impl_.diagnostics);
}

}  // namespace zel
