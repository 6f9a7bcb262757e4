// A hostile module and a misbehaving HID library against the framing layer and the stored-file
// transfer: the input scripts the input reports (whole, short, or bare read results), the write
// message's length field and the file size. Every exchange must stay inside its buffers and
// report counts that its buffers can hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <memory>

#include "protocol/qrn.h"
#include "tests/support/scripted_hid.h"
#include "usb/usb_link.h"

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void attachModule()
{
    for (int32_t slot = 0; slot < USB_LINK_MAX_DEVICES; ++slot) {
        UsbLink_Close(slot);
    }
    zel::scripted::reset();
    zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"FUZZ"}});
    UsbLink_Enumerate();
    UsbLink_Open(0);
}

void queueInputs(FuzzedDataProvider& in)
{
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegral<uint8_t>() % 8) {
        case 0:
            zel::scripted::queueReadResult(in.ConsumeIntegralInRange<int>(-2, 1000));
            break;
        case 1:
            zel::scripted::queueReport(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 70)));
            break;
        default:
            zel::scripted::queueReport(in.ConsumeBytes<uint8_t>(MSG_REPORT_SIZE));
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    attachModule();
    FuzzedDataProvider in(data, size);
    const auto fileSize = in.ConsumeIntegralInRange<int32_t>(1, 4096);
    const auto writeLength = in.ConsumeIntegral<uint16_t>();
    queueInputs(in);

    Msg_PrepareRead(0x0216, 0);
    require(Msg_ExchangeRead() <= MSG_RX_CAPACITY);
    Msg_ReadWriteAnswer();

    msg message{};
    Msg_InitWriteHeader(&message, 0x021E, 0);
    message.length = writeLength;
    require(Msg_SendWrite(&message) <= 64 * 9);

    QRN_GetFileSize(QRN_FILE_SCAN_DATA);
    auto chunk = std::make_unique<uint8_t[]>(QRN_FILE_CHUNK_CAPACITY);
    int32_t chunkLength = 0;
    if (QRN_GetFileData(chunk.get(), &chunkLength) > 0) {
        require(chunkLength > 0 && chunkLength <= QRN_FILE_CHUNK_CAPACITY);
    }

    // Exactly the announced size, so a single byte written past it is caught.
    auto file = std::make_unique<uint8_t[]>(static_cast<size_t>(fileSize));
    const int32_t delivered = QRN_ReadFile(file.get(), fileSize);
    require(delivered >= 0 && delivered <= fileSize);
    return 0;
}
