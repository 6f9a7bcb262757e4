/* The module's command protocol: message framing and exchange, stored-file transfer, status
 * texts and the command functions. Single-threaded, not reentrant: all commands share one
 * sequence counter, one output report and one reply buffer. */
#ifndef ZEL_PROTOCOL_QRN_H
#define ZEL_PROTOCOL_QRN_H

#include "protocol/framing.h"
#include "protocol/status_texts.h"
#include "protocol/stored_files.h"

/* Command functions. */
#include "protocol/qrn_commands.h"

#endif
