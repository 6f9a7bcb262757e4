/* Texts of the module's status codes. Each function copies the text for `code`, with its
 * terminating zero, into `text` and returns 0; a code outside its table (negative values
 * included, seen as unsigned) gives "ERROR_UNDEFINED". A null `text` gives -1. */
#ifndef ZEL_PROTOCOL_STATUS_TEXTS_H
#define ZEL_PROTOCOL_STATUS_TEXTS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    QRN_TEST_RESULT_TEXT_SIZE = 20,  /* buffer for the I2C and power test texts */
    QRN_FILE_RESULT_TEXT_SIZE = 26   /* buffer for the file-system texts */
};

/* I2C test results 0-7; `text` holds QRN_TEST_RESULT_TEXT_SIZE bytes. */
int32_t QRN_I2CTestResultText(uint32_t code, char *text);
/* The same table as QRN_I2CTestResultText. */
int32_t QRN_I2CTestResultText2(uint32_t code, char *text);
/* Power test results 0-9; `text` holds QRN_TEST_RESULT_TEXT_SIZE bytes. */
int32_t QRN_PowerTestResultText(uint32_t code, char *text);
/* File-system results 0-18; `text` holds QRN_FILE_RESULT_TEXT_SIZE bytes. */
int32_t QRN_FileResultText(uint32_t code, char *text);

#ifdef __cplusplus
}
#endif

#endif
