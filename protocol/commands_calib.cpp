// The calibration polynomials, carried as a serialized calibCoeffs image (0x0229, 0x022A).
#include <algorithm>
#include <cstring>

#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::copyReply;
using zel::protocol::readReply;
using zel::protocol::WriteRequest;

static_assert(sizeof(calibCoeffs) == QRN_CALIB_RECORD_SIZE);

extern "C" int32_t QRN_SetCalibCoeffs(const calibCoeffs *coeffs)
{
    if (coeffs == nullptr) {
        return MSG_ERROR_LINK;
    }
    // The image takes 72 bytes; the rest of the field goes out as zeros.
    uint8_t image[QRN_CALIB_IMAGE_SIZE] = {};
    zelspec_calib_coeffs_serialize(coeffs, image, sizeof image);
    return WriteRequest(QRN_CMD_SET_CALIB_COEFFS, QRN_CALIB_IMAGE_SIZE)
        .byte(0, 0)
        .bytes(1, image, sizeof image - 1)
        .writeResult();
}

extern "C" int32_t QRN_GetCalibCoeffs(calibCoeffs *coeffs)
{
    if (coeffs == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_GET_CALIB_COEFFS);
    if (status <= 0) {
        return status;
    }
    // Decoded in a copy that holds only what the module sent (zeros after it), so neither an
    // earlier reply's bytes nor the shared reply buffer take part. A reply that is no valid image
    // is handed on as it is: the decoder has already said so on its diagnostic line.
    alignas(calibCoeffs) uint8_t image[QRN_CALIB_IMAGE_SIZE] = {};
    copyReply(image, 0, std::min<size_t>(Msg_ReplyLength(), sizeof image));
    zelspec_calib_coeffs_deserialize(image, sizeof image);
    std::memcpy(coeffs, image, sizeof *coeffs);
    return 0;
}
