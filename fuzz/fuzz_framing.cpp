// A hostile module and a misbehaving HID library against the framing layer and the stored-file
// transfer: the input scripts the input reports (whole, short, or bare read results), the write
// message's length field and the file size. Every exchange must stay inside its buffers and
// report counts that its buffers can hold.
#include <memory>

#include "fuzz/hostile_module.h"

using zel::fuzz::attachModule;
using zel::fuzz::queueInputs;
using zel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    attachModule();
    FuzzedDataProvider in(data, size);
    const auto fileSize = in.ConsumeIntegralInRange<int32_t>(1, 4096);
    const auto writeLength = in.ConsumeIntegral<uint16_t>();
    queueInputs(in, 1000);

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
