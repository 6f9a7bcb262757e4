// Stored-file transfer: the size request, one chunk, and the whole file chunk after chunk.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "protocol/framing.h"
#include "protocol/stored_files.h"

namespace {

constexpr uint16_t codeFileSize = 0x002D;
constexpr uint16_t codeFileData = 0x002E;

} // namespace

extern "C" int32_t QRN_GetFileSize(uint32_t fileType)
{
    Msg_PrepareReadArg(codeFileSize, fileType);
    const int32_t status = Msg_ExchangeRead();
    return status <= 0 ? status : Msg_ReplyI32(0);
}

extern "C" int32_t QRN_GetFileData(uint8_t *buffer, int32_t *bytesRead)
{
    if (buffer == nullptr || bytesRead == nullptr) {
        return MSG_ERROR_LINK;
    }
    Msg_PrepareRead(codeFileData, 0);
    const int32_t status = Msg_ExchangeRead();
    if (status <= 0) {
        return status;
    }
    // A successful exchange holds the whole chunk in rxMsg; only its size against ours is open.
    const uint16_t length = Msg_ReplyLength();
    if (length > QRN_FILE_CHUNK_CAPACITY) {
        return MSG_ERROR_BAD_REPLY;
    }
    std::memcpy(buffer, Msg_ReplyBuffer() + MSG_HEADER_SIZE, length);
    *bytesRead = length;
    return status;
}

extern "C" int32_t QRN_ReadFile(uint8_t *destination, int32_t byteCount)
{
    if (destination == nullptr) {
        return -1;
    }
    if (byteCount <= 0) {
        return 0;
    }
    const std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[QRN_FILE_CHUNK_CAPACITY]);
    if (!chunk) {
        return -1;
    }
    int32_t delivered = 0;
    while (delivered < byteCount) {
        int32_t chunkLength = 0;
        if (QRN_GetFileData(chunk.get(), &chunkLength) <= 0) {
            break;
        }
        // A module sending more than it announced must not write past the caller's buffer.
        const int32_t kept = std::min(chunkLength, byteCount - delivered);
        std::memcpy(destination + delivered, chunk.get(), static_cast<size_t>(kept));
        delivered += kept;
    }
    return delivered;
}
