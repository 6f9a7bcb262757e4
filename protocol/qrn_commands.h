/* The module's command set: one function per device command (the stored-file commands
 * QRN_GetFileSize and QRN_GetFileData are in protocol/stored_files.h).
 *
 * Write commands send the whole message with the next sequence number and read a one-report
 * answer. Their "write result" is -1 when the send fails, else the answer's status (-1 to -5,
 * see protocol/framing.h), the answer's 32-bit value when its length field is exactly 4, or 0.
 * Read commands send a short request and convert the reply; a failed exchange returns its
 * status (zero or negative) unchanged, and success returns 0 unless stated otherwise.
 *
 * Outputs are written only on success. A null pointer argument gives -1 before anything is sent
 * (and before the sequence number advances). Text and block arguments are taken for the width
 * the command declares: a longer caller length is cut there, a shorter one is padded with zeros.
 * Replies are untrusted: no reply makes a command read or write outside its buffers.
 *
 * Single-threaded, not reentrant: every command shares the framing's sequence counter, output
 * report and reply buffer. */
#ifndef ZEL_PROTOCOL_QRN_COMMANDS_H
#define ZEL_PROTOCOL_QRN_COMMANDS_H

#include <stdint.h>

#include "protocol/qrn_codes.h"
#include "spectrum/zelspec.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Group 0x00: data transfer and miscellany. */

/* Reply bytes 0-3 into *value. The request carries one data byte of 0. */
int32_t QRN_ReadValue0015(uint32_t *value);
/* Sends `count` bytes, cut to QRN_WRITE_DATA_CHUNK_MAX. Returns the count sent, or the send's
 * or answer's negative status. */
int32_t QRN_WriteDataChunk(const uint8_t *data, uint32_t count);
int32_t QRN_WriteValues002A(uint32_t first, uint16_t second);
/* Sent without reading an answer: returns the send's result (6, or -1). */
int32_t QRN_Send002F(void);
/* `text`: 12 characters, sent as they are. */
int32_t QRN_WriteText0080(const char *text);
/* Reply byte 0 as unsigned (0-255). */
int32_t QRN_ReadByte0081(void);

/* Group 0x01: system. */

/* 0 when the module reports byte 0 = 0, -1 for any other byte. */
int32_t QRN_CheckStatus0101(void);
int32_t QRN_CheckStatus0102(void);
int32_t QRN_CheckStatus0106(void);
int32_t QRN_CheckStatus0107(void);
/* Reply bytes 0-19 as five int32, in order. */
int32_t QRN_ReadValues0103(int32_t *first, int32_t *second, int32_t *third, int32_t *fourth,
                           int32_t *fifth);
/* Reply byte 0 sign-extended: 0x80 and above come back negative, like a failure. */
int32_t QRN_ReadByte0104(void);
/* Lamp and identity reads use it: both bytes 1 after switching the lamp on, both 0 otherwise. */
int32_t QRN_ZELCEnable(uint8_t first, uint8_t second);
/* 1 on, 0 off. Waits QRN_BLUETOOTH_WAIT_MS after the send, also when it failed, then reads the
 * answer. */
int32_t QRN_SetBluetooth(uint8_t on);
int32_t QRN_WriteByte010B(uint8_t value);
/* Reply byte 0: presses of the button (non-zero means pressed). */
int32_t QRN_GetButtonPressCount(uint8_t *count);
/* 1 enable, 0 disable. */
int32_t QRN_SetButtonPressEnable(uint8_t enable);
int32_t QRN_Trigger010E(void);

/* Group 0x02: scanning, configuration, identity. */

/* Reply bytes 0-27 as seven int32, in order. */
int32_t QRN_ReadValues0216(int32_t *first, int32_t *second, int32_t *third, int32_t *fourth,
                           int32_t *fifth, int32_t *sixth, int32_t *seventh);
/* Starts a scan; callers pass 0. */
int32_t QRN_StartScan(uint8_t value);
/* Reply byte 0 sign-extended. */
int32_t QRN_ReadByte0219(void);
/* Sent without reading an answer: 0 when the send succeeded, else -1. */
int32_t QRN_Send021A(void);
int32_t QRN_WriteByte021B(uint8_t value);
int32_t QRN_WriteValues021C(uint32_t first, uint32_t second);
/* Reply bytes 0-3 into *value; `argument` travels as the request's 32-bit argument. */
int32_t QRN_ReadValueAt021D(uint32_t argument, int32_t *value);
/* Sends 124 data bytes: the first `count` bytes of `block`, then zeros. */
int32_t QRN_WriteBlock021E(const uint8_t *block, uint32_t count);
/* Sends 126 data bytes: 0, `index`, the low byte of `count`, then up to 123 bytes of `block`
 * (its first `count`), then zeros. */
int32_t QRN_WriteIndexedBlock021F(uint8_t index, const uint8_t *block, uint32_t count);
/* Reads stored scan configuration `index` (its low byte) into `buffer`, which holds
 * QRN_SCAN_CONFIG_MAX bytes, and its length into *length. A length word above
 * QRN_SCAN_CONFIG_MAX or beyond the reply gives -4 with nothing copied. */
int32_t QRN_GetScanConfig(uint32_t index, uint8_t *buffer, uint32_t *length);
/* Sends the one byte QRN_TRIGGER_0221_BYTE. */
int32_t QRN_Trigger0221(void);
/* Reply byte 0 as unsigned: the number of stored scan configurations. */
int32_t QRN_GetNumScanConfigs(void);
/* Reply byte 0 as unsigned. */
int32_t QRN_ReadByte0223(void);
int32_t QRN_SetActiveScanConfig(uint8_t index);
/* The lamp goes on with 0 and off with 1. */
int32_t QRN_SetLampControl(uint8_t value);
int32_t QRN_WriteWords0226(uint16_t first, uint16_t second);
/* Data bytes 0-2: 1 for each non-zero argument, else 0; bytes 3-6: 0. */
int32_t QRN_WriteFlags0227(int32_t first, int32_t second, int32_t third);
/* Reply byte 0 sign-extended: the amplifier gain. */
int32_t QRN_GetPgaGain(void);
/* Sends the record's serialized image: data byte 0 is 0, bytes 1-143 the image (zero after its
 * 72 bytes). -1 without sending when the working buffer is not available. */
int32_t QRN_SetCalibCoeffs(const calibCoeffs *coeffs);
/* Decodes the reply's image and copies the record to *coeffs. A reply that is not a valid image
 * still returns 0 (the decoder prints its diagnostic line); *coeffs then receives the first 48
 * reply data bytes as they are. */
int32_t QRN_GetCalibCoeffs(calibCoeffs *coeffs);
/* Trigger-like commands without data. */
int32_t QRN_Trigger022B(void);
/* Reply bytes 0-11 as three int32; -1 on any read failure. */
int32_t QRN_ReadValues022C(int32_t *first, int32_t *second, int32_t *third);
int32_t QRN_WriteByte022D(uint8_t value);
/* Number of scans the module averages. */
int32_t QRN_SetScanAvg(uint16_t count);
int32_t QRN_Trigger022F(void);
/* Sends one data byte 0. */
int32_t QRN_Trigger0230(void);
/* `serial`: QRN_SERIAL_NUMBER_SIZE characters, sent as they are. */
int32_t QRN_SetSerialNumber(const char *serial);
/* Copies reply bytes into the caller's QRN_SERIAL_NUMBER_SIZE-byte `serial` up to and including
 * the first zero byte; a full-width serial number arrives without terminator. */
int32_t QRN_GetSerialNumber(char *serial);
/* Sends 14 data bytes: `length` characters of `text`, a zero byte, then zeros; with a length of
 * 14 or more only the first 14 characters go out (no terminator). */
int32_t QRN_WriteText0234(const char *text, uint32_t length);
int32_t QRN_Trigger0236(void);
/* Reply bytes 0-3: milliseconds a scan takes (a value of 2^31 or more comes back negative). */
int32_t QRN_GetScanTime(void);
int32_t QRN_Trigger0239(void);
/* `text`: 24 characters, sent as they are. */
int32_t QRN_WriteText0244(const char *text);
/* Reply bytes 0-23 into the caller's 24-byte `text` (no terminator added). */
int32_t QRN_ReadText0245(char *text);
/* Reply bytes 0-7 into *value. */
int32_t QRN_ReadValue0280(uint64_t *value);

/* Group 0x03: sensors and power. */

/* Reply bytes 0-3 are the temperature, 4-7 the humidity, both in hundredths. */
int32_t QRN_ReadHum(int32_t *humidity, int32_t *temperature);
/* Seven data bytes, one per argument, in order. */
int32_t QRN_WriteBytes0309(uint8_t first, uint8_t second, uint8_t third, uint8_t fourth,
                           uint8_t fifth, uint8_t sixth, uint8_t seventh);
/* Reply bytes 0-3, 4-7, 8-11: battery voltage, battery percentage, raw ADC value. */
int32_t QRN_ReadBattVolt(int32_t *voltage, int32_t *percentage, int32_t *raw);
/* Reply bytes 0-3 into *value. */
int32_t QRN_ReadValue030B(int32_t *value);
/* Reply bytes 0-6, one per output, in order. */
int32_t QRN_ReadBytes030C(uint8_t *first, uint8_t *second, uint8_t *third, uint8_t *fourth,
                          uint8_t *fifth, uint8_t *sixth, uint8_t *seventh);
/* Sent without reading an answer: 0 when the send succeeded, else -1. */
int32_t QRN_Send030D(void);
int32_t QRN_WriteByte030E(uint8_t value);
/* Reply byte 0 sign-extended. */
int32_t QRN_ReadByte030F(void);
/* Reply bytes 0-19 into the caller's 20-byte `text`. */
int32_t QRN_ReadText03EF(char *text);
/* `text`: 16 characters, sent as they are. */
int32_t QRN_WriteText03FC(const char *text);
/* Reply bytes 0-15 into the caller's 16-byte `text`. */
int32_t QRN_ReadText03FD(char *text);
/* Reply bytes 0-7 into the caller's 8-byte `text`; bytes 8-11 and 12-15 into values[0] and
 * values[1]. */
int32_t QRN_ReadTextValues03FE(char *text, int32_t values[2]);
/* Reply bytes 0-7 into the caller's QRN_FLASH_UNIQUE_ID_SIZE-byte `id`. */
int32_t QRN_GetFlashUniqueID(uint8_t *id);

/* Group 0x04: device status, gain and indexed reads. */

/* Reply bytes 0-11 as three int32; -1 on any read failure. */
int32_t QRN_ReadValues0402(int32_t *first, int32_t *second, int32_t *third);
/* Reply bytes 0-3: the device status word. */
int32_t QRN_ReadDeviceStatus(int32_t *status);
/* Reply bytes 0-19 into the caller's 20-byte `block`. */
int32_t QRN_ReadBlock0404(uint8_t *block);
int32_t QRN_Trigger0405(void);
/* Reply byte 0 as unsigned; `argument` travels as the request's 32-bit argument. */
int32_t QRN_ReadByteAt0406(uint32_t argument);
/* Reply bytes 0-1 as unsigned; only the low byte of `argument` is sent (zero-extended). */
int32_t QRN_ReadWordAt0407(uint32_t argument);
int32_t QRN_WriteValue0408(uint32_t value);
int32_t QRN_Trigger040A(void);
int32_t QRN_Trigger040B(void);
/* `flag` (callers send 1) and the amplifier gain. */
int32_t QRN_SetPgaGain(uint8_t flag, uint8_t gain);

#ifdef __cplusplus
}
#endif

#endif
