/* Wire codes of the module's command set: the 16-bit command codes (0xHHLL: group 0xHH, number
 * 0xLL; a message carries the low byte first), the error field of a reply, and the fixed sizes
 * and values that commands put on the wire. Both ends use them: the host's command functions and
 * the virtual module. Message sizes and the request flag bytes are in protocol/framing.h. */
#ifndef ZEL_PROTOCOL_QRN_CODES_H
#define ZEL_PROTOCOL_QRN_CODES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Group 0x00: data transfer and miscellany. */
enum {
    QRN_CMD_READ_VALUE_0015 = 0x0015,
    QRN_CMD_WRITE_DATA_CHUNK = 0x0025,
    QRN_CMD_WRITE_VALUES_002A = 0x002A,
    QRN_CMD_GET_FILE_SIZE = 0x002D,
    QRN_CMD_GET_FILE_DATA = 0x002E,
    QRN_CMD_SEND_002F = 0x002F,
    QRN_CMD_WRITE_TEXT_0080 = 0x0080,
    QRN_CMD_READ_BYTE_0081 = 0x0081
};

/* Group 0x01: system. */
enum {
    QRN_CMD_CHECK_STATUS_0101 = 0x0101,
    QRN_CMD_CHECK_STATUS_0102 = 0x0102,
    QRN_CMD_READ_VALUES_0103 = 0x0103,
    QRN_CMD_READ_BYTE_0104 = 0x0104,
    QRN_CMD_ZELC_ENABLE = 0x0105,
    QRN_CMD_CHECK_STATUS_0106 = 0x0106,
    QRN_CMD_CHECK_STATUS_0107 = 0x0107,
    QRN_CMD_SET_BLUETOOTH = 0x0108,
    QRN_CMD_WRITE_BYTE_010B = 0x010B,
    QRN_CMD_GET_BUTTON_PRESS_COUNT = 0x010C,
    QRN_CMD_SET_BUTTON_PRESS_ENABLE = 0x010D,
    QRN_CMD_TRIGGER_010E = 0x010E
};

/* Group 0x02: scanning, configuration, identity. */
enum {
    QRN_CMD_READ_VALUES_0216 = 0x0216,
    QRN_CMD_START_SCAN = 0x0218,
    QRN_CMD_READ_BYTE_0219 = 0x0219,
    QRN_CMD_SEND_021A = 0x021A,
    QRN_CMD_WRITE_BYTE_021B = 0x021B,
    QRN_CMD_WRITE_VALUES_021C = 0x021C,
    QRN_CMD_READ_VALUE_AT_021D = 0x021D,
    QRN_CMD_WRITE_BLOCK_021E = 0x021E,
    QRN_CMD_WRITE_INDEXED_BLOCK_021F = 0x021F,
    QRN_CMD_GET_SCAN_CONFIG = 0x0220,
    QRN_CMD_TRIGGER_0221 = 0x0221,
    QRN_CMD_GET_NUM_SCAN_CONFIGS = 0x0222,
    QRN_CMD_READ_BYTE_0223 = 0x0223,
    QRN_CMD_SET_ACTIVE_SCAN_CONFIG = 0x0224,
    QRN_CMD_SET_LAMP_CONTROL = 0x0225,
    QRN_CMD_WRITE_WORDS_0226 = 0x0226,
    QRN_CMD_WRITE_FLAGS_0227 = 0x0227,
    QRN_CMD_GET_PGA_GAIN = 0x0228,
    QRN_CMD_SET_CALIB_COEFFS = 0x0229,
    QRN_CMD_GET_CALIB_COEFFS = 0x022A,
    QRN_CMD_TRIGGER_022B = 0x022B,
    QRN_CMD_READ_VALUES_022C = 0x022C,
    QRN_CMD_WRITE_BYTE_022D = 0x022D,
    QRN_CMD_SET_SCAN_AVG = 0x022E,
    QRN_CMD_TRIGGER_022F = 0x022F,
    QRN_CMD_TRIGGER_0230 = 0x0230,
    QRN_CMD_SET_SERIAL_NUMBER = 0x0232,
    QRN_CMD_GET_SERIAL_NUMBER = 0x0233,
    QRN_CMD_WRITE_TEXT_0234 = 0x0234,
    QRN_CMD_TRIGGER_0236 = 0x0236,
    QRN_CMD_GET_SCAN_TIME = 0x0237,
    QRN_CMD_TRIGGER_0239 = 0x0239,
    QRN_CMD_WRITE_TEXT_0244 = 0x0244,
    QRN_CMD_READ_TEXT_0245 = 0x0245,
    QRN_CMD_READ_VALUE_0280 = 0x0280
};

/* Group 0x03: sensors and power. */
enum {
    QRN_CMD_READ_HUM = 0x0302,
    QRN_CMD_WRITE_BYTES_0309 = 0x0309,
    QRN_CMD_READ_BATT_VOLT = 0x030A,
    QRN_CMD_READ_VALUE_030B = 0x030B,
    QRN_CMD_READ_BYTES_030C = 0x030C,
    QRN_CMD_SEND_030D = 0x030D,
    QRN_CMD_WRITE_BYTE_030E = 0x030E,
    QRN_CMD_READ_BYTE_030F = 0x030F,
    QRN_CMD_READ_TEXT_03EF = 0x03EF,
    QRN_CMD_WRITE_TEXT_03FC = 0x03FC,
    QRN_CMD_READ_TEXT_03FD = 0x03FD,
    QRN_CMD_READ_TEXT_VALUES_03FE = 0x03FE,
    QRN_CMD_GET_FLASH_UNIQUE_ID = 0x03FF
};

/* Group 0x04: device status, gain and indexed reads. */
enum {
    QRN_CMD_READ_VALUES_0402 = 0x0402,
    QRN_CMD_READ_DEVICE_STATUS = 0x0403,
    QRN_CMD_READ_BLOCK_0404 = 0x0404,
    QRN_CMD_TRIGGER_0405 = 0x0405,
    QRN_CMD_READ_BYTE_AT_0406 = 0x0406,
    QRN_CMD_READ_WORD_AT_0407 = 0x0407,
    QRN_CMD_WRITE_VALUE_0408 = 0x0408,
    QRN_CMD_TRIGGER_040A = 0x040A,
    QRN_CMD_TRIGGER_040B = 0x040B,
    QRN_CMD_SET_PGA_GAIN = 0x040C
};

/* The error field of a reply: bits 4-5 of its flags byte; 0 is success, 1, 2 and 3 failures. */
enum {
    QRN_ERROR_FIELD_SHIFT = 4,
    QRN_ERROR_FIELD_MASK = 0x30
};

/* Fixed sizes and values that commands carry. */
enum {
    QRN_WRITE_DATA_CHUNK_MAX = 504,   /* data bytes of one QRN_CMD_WRITE_DATA_CHUNK */
    QRN_BLUETOOTH_WAIT_MS = 2000,     /* the host waits this long before reading the answer */
    QRN_SCAN_CONFIG_MAX = 512,        /* longest serialized scan configuration taken */
    QRN_CALIB_IMAGE_SIZE = 144,       /* data bytes of QRN_CMD_SET_CALIB_COEFFS; image buffer size */
    QRN_CALIB_RECORD_SIZE = 48,       /* decoded calibCoeffs: six doubles */
    QRN_SERIAL_NUMBER_SIZE = 8,       /* serial number characters; no terminator when full */
    QRN_FLASH_UNIQUE_ID_SIZE = 8,     /* bytes of the flash unique identifier */
    QRN_TRIGGER_0221_BYTE = 0x5A      /* the one data byte of QRN_CMD_TRIGGER_0221 */
};

#ifdef __cplusplus
}
#endif

#endif
