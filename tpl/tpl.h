/* tpl: the serialized image engine.
 *
 * A caller binds a type string such as "S(f#f#)" or "A(iu)" to its own variables and
 * gets a mapping. Packing copies the variables' current values into the mapping, dumping
 * writes the packed mapping as a self-describing image ("tpl", flags, size, type string,
 * fixed dimensions, data); loading checks an image against a mapping and unpacking copies
 * its values back into the variables. Peeking reads an image's type string, dimensions or
 * first values without any mapping.
 *
 * Type characters: i int32_t, u uint32_t, c one byte, s char* (zero-terminated, may be
 * null), f double, I int64_t, U uint64_t, j int16_t, v uint16_t; "#" after an item or an
 * S group adds a fixed dimension (at most 10 in a row); B a tpl_bin byte buffer;
 * A(...) a variable-length array; S(...) a record laid out by natural alignment;
 * $(...) a nested group inside an S (changes neither alignment nor size).
 *
 * Images are written in the host's byte order; images of the other byte order are read
 * correctly. An image is at most 4 GiB - 1 bytes.
 *
 * All memory the engine obtains comes from the hooks in tpl_hook. Memory that the engine
 * hands to the caller (unpacked strings and byte buffers, peeked type strings, strings
 * and dimension arrays from tpl_peek, images dumped into a new buffer, gathered images)
 * belongs to the caller, who releases it with tpl_hook.release.
 *
 * Failures are reported through tpl_hook.report_error (one line each) and give -1 (or
 * null). Exhausted memory, internal invariants and misuse named below go to
 * tpl_hook.fatal_error, after which the process ends even if the hook returns.
 *
 * Not thread-safe and not reentrant: a mapping is used by one thread at a time, and the
 * hooks table must not change while the engine works.
 */
#ifndef ZEL_TPL_TPL_H
#define ZEL_TPL_TPL_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Mode flags of tpl_dump, tpl_load, tpl_peek and tpl_jot (combined with |). The
 * arguments each mode takes follow the flags argument, in the order listed. */
#define TPL_ON_FILE 0x01      /* const char *path */
#define TPL_IN_MEM 0x02       /* dump: void **image, size_t *size (new buffer), or with
                                 TPL_OWN_BUFFER: void *buffer, size_t capacity;
                                 load, peek: const void *image, size_t size */
#define TPL_OWN_BUFFER 0x04   /* dump into the caller's buffer */
#define TPL_ALLOW_EXCESS 0x08 /* load: bytes may follow the image; its size field is not compared */
#define TPL_ON_FD 0x10        /* int fd */
#define TPL_GIVE_BUFFER 0x20  /* load with TPL_IN_MEM: the mapping owns the image from now on */
#define TPL_DATAPEEK 0x40     /* peek: const char *format, then one output pointer per character */
#define TPL_FXLENS 0x80       /* peek: uint32_t *count, uint32_t **dimensions */
#define TPL_SIZE_ONLY 0x100   /* dump: size_t *size */

/* Modes of tpl_gather. */
#define TPL_GATHER_BLOCKING 1    /* tpl_gather_fd_blocking: one image from a descriptor */
#define TPL_GATHER_NONBLOCKING 2 /* tpl_fd_gather: every complete image readable from a descriptor */
#define TPL_GATHER_MEM 3         /* tpl_mem_gather: every complete image in a stream of memory chunks */

/* Results of tpl_check_image, in the order the check runs. */
enum {
  TPL_IMAGE_VALID = 0,
  TPL_IMAGE_TOO_SHORT = -1,         /* 8 bytes or fewer */
  TPL_IMAGE_BAD_MAGIC = -2,         /* does not start with "tpl" */
  TPL_IMAGE_BAD_FLAGS = -11,        /* a flags bit other than 0 and 1 is set */
  TPL_IMAGE_SIZE_FIELD = -3,        /* size field differs from the image size (no excess allowed) */
  TPL_IMAGE_BAD_TYPE_CHAR = -4,     /* type-string character outside "AS($)BiucsfIUjv#" */
  TPL_IMAGE_TYPE_UNTERMINATED = -5, /* image ends inside the type string */
  TPL_IMAGE_SIGNATURE = -6,         /* type string differs from the mapping's */
  TPL_IMAGE_DIMENSIONS_SHORT = -10, /* image ends inside the dimensions */
  TPL_IMAGE_DIMENSIONS = -7,        /* a dimension differs from the mapping's */
  TPL_IMAGE_DATA_SHORT = -8,        /* image ends inside the data the mapping describes */
  TPL_IMAGE_DATA_SIZE = -9          /* header plus data differ from (or exceed) the image size */
};

/* A mapping, or one of its nodes. Only the root (from tpl_bind) is handed out. */
typedef struct tpl_node tpl_node;

/* The caller's variable for a "B" item. Unpacking stores a new buffer (null when the
 * length is 0); packing copies `length` bytes from `address` (null counts as empty). */
typedef struct tpl_bin {
  void *address;
  uint32_t length;
} tpl_bin;

/* The replaceable hooks, one table for the whole engine. */
typedef int(tpl_report_fn)(const char *format, ...);
typedef void *(tpl_allocate_fn)(size_t size);
typedef void *(tpl_reallocate_fn)(void *pointer, size_t size);
typedef void(tpl_release_fn)(void *pointer);
typedef void(tpl_fatal_fn)(const char *format, ...);

typedef struct tpl_hook_t {
  tpl_report_fn *report_error;   /* default: printf-style to standard error */
  tpl_allocate_fn *allocate;     /* default: malloc; null means exhausted memory */
  tpl_reallocate_fn *reallocate; /* default: realloc */
  tpl_release_fn *release;       /* default: free */
  tpl_fatal_fn *fatal_error;     /* default: the message (cut to 99 characters) goes to
                                    report_error with "%s", then exit(-1). The process
                                    ends even if a replacement returns. */
  int gather_limit;              /* largest image tpl_gather accepts; 0: no limit */
} tpl_hook_t;

extern tpl_hook_t tpl_hook;

/* Where diagnostic lines go: the engine's default report_error and the spectrum library above it
 * write through the calling thread's sink. Without one (the default), stream 1 text goes to
 * standard output and stream 2 text to standard error, unchanged. */
typedef void(tpl_sink_fn)(void *context, int stream, const char *text);
/* Sets the calling thread's sink; a null sink restores the default. */
void tpl_set_thread_sink(tpl_sink_fn *sink, void *context);
/* printf-style text to the calling thread's sink on `stream` (1 or 2). Returns the characters
 * written, or a negative value. */
int tpl_emit(int stream, const char *format, ...) __attribute__((format(printf, 2, 3)));
int tpl_vemit(int stream, const char *format, va_list arguments) __attribute__((format(printf, 2, 0)));

/* Parses the type string and maps it onto the caller's variables. Arguments, in the order
 * of the characters that take them: each item outside an S group (i u c s f I U j v)
 * the address of its variable; each B the address of a tpl_bin; each S the address of
 * the record; each "#" its dimension as an int (>= 1). The variables must stay valid
 * until tpl_release. Returns the root, or null for a rejected string ("failed to parse
 * %s\n"). A dimension below 1 or an eleventh "#" in a row is fatal. */
tpl_node *tpl_bind(const char *type_string, ...);

/* tpl_bind with the arguments as a va_list. */
tpl_node *tpl_vbind(const char *type_string, va_list arguments);

/* Index 0 packs the root's items; index k >= 1 appends one element, taken from the
 * variables, to the k-th A group in order of appearance. Pack inner arrays before the
 * element of the outer array that holds them. Packing a loaded mapping resets it first.
 * Returns 0, or -1 ("invalid index %d to tpl_pack\n"; an array already holding
 * INT32_MAX elements). */
int tpl_pack(tpl_node *root, int index);

/* Index 0 copies the root's items from the loaded image into the variables and returns 1;
 * index k copies the next element of the k-th A group and returns the number of elements
 * that were left before the call, or 0 when none is left. Unpack an element of an outer
 * array before its inner arrays (else fatal). A packed mapping is first dumped into a new
 * image and loaded. Strings and byte buffers stored into the variables are new buffers
 * owned by the caller; the variables' previous values are not released. Returns -1 for
 * an unknown index ("invalid index %d to tpl_unpack\n"), when there is no image ("tpl_unpack:
 * no image loaded\n"), and when the caller's image no longer holds what the load checked
 * ("tpl_unpack: image changed after loading\n"). */
int tpl_unpack(tpl_node *root, int index);

/* Elements packed into, or still to unpack from, the k-th A group; -1 for index 0 and
 * for an unknown index ("invalid index %d to tpl_unpack\n"). */
int tpl_array_count(tpl_node *root, int index);

/* Size in bytes of the image that dumping the mapping will write. */
size_t tpl_ser_osz(tpl_node *root);

/* Bytes of the loaded image that `node` (the root) occupies from `position` on, or -1
 * when the image ends first. */
int64_t tpl_serlen(tpl_node *root, tpl_node *node, const void *position);

/* Frees the mapping, everything it owns, and the image it holds. Null is ignored. */
void tpl_release(tpl_node *root);

/* Writes the packed (or fresh) mapping as an image; a loaded mapping is refused.
 * Modes, tried in this order: TPL_ON_FILE, TPL_ON_FD, TPL_IN_MEM (with or without
 * TPL_OWN_BUFFER), TPL_SIZE_ONLY. Returns 0, or -1 after a message. */
int tpl_dump(tpl_node *root, int mode, ...);

/* Makes an image the mapping's source for unpacking after checking it against the
 * mapping (TPL_ON_FILE, TPL_IN_MEM, TPL_ON_FD; TPL_ALLOW_EXCESS; TPL_GIVE_BUFFER).
 * A caller's buffer must stay valid and unchanged while the mapping is loaded; with
 * TPL_GIVE_BUFFER the engine owns it from this call on, whatever the result. A packed or
 * loaded mapping is reset first. Returns 0, or -1 after a message. */
int tpl_load(tpl_node *root, int mode, ...);

/* Returns a new copy of an image's type string (TPL_ON_FILE or TPL_IN_MEM), or null.
 * TPL_FXLENS also stores the number of dimensions and a new array of them (0 and null
 * when there are none). TPL_DATAPEEK reads the first values of the data section into
 * the outputs, one per format character (i u c s f I U j v; "s" stores a new string or
 * null); the outputs are written only when the result is not null. */
char *tpl_peek(int mode, ...);

/* Checks the image the mapping holds (as recorded by tpl_load) against the mapping;
 * returns TPL_IMAGE_VALID or one of the negative TPL_IMAGE_* codes. */
int tpl_check_image(tpl_node *root, int allow_excess);

/* Drops the loaded image or the packed data; the mapping is as fresh as after binding. */
void tpl_reset(tpl_node *root);

/* Called by tpl_gather for each complete image (valid during the call only); a negative
 * result stops gathering. */
typedef int(tpl_gather_cb)(void *image, size_t size, void *data);

/* Gathering state of TPL_GATHER_NONBLOCKING and TPL_GATHER_MEM: start with a null
 * pointer; the engine keeps a partial image in it between calls and frees it at the end. */
typedef struct tpl_gather_t tpl_gather_t;

/* Collects complete images from a stream.
 * TPL_GATHER_BLOCKING: int fd, void **image, size_t *size. Reads exactly one image;
 *   returns 1 with a new buffer, 0 at end of input before any byte, -1 on failure.
 * TPL_GATHER_NONBLOCKING: int fd, tpl_gather_t **state, tpl_gather_cb *callback,
 *   void *data. Reads until the descriptor would block (returns 1: call again), or until
 *   end of input (returns 0; the state is freed), or fails (-1; the state is freed).
 * TPL_GATHER_MEM: const void *chunk, size_t length, tpl_gather_t **state,
 *   tpl_gather_cb *callback, void *data. Consumes the chunk and returns 1; a chunk of
 *   length 0 ends the stream (returns 0, or -1 when a partial image was left; the state
 *   is freed); -1 on failure (the state is freed).
 * Another mode is fatal. */
int tpl_gather(int mode, ...);

/* Binds, packs the root and dumps in one call. Mode TPL_ON_FILE (const char *path),
 * TPL_IN_MEM (void **image, size_t *size) or TPL_ON_FD (int fd), then the type string
 * and its arguments as for tpl_bind. Returns 0 or -1; another mode is fatal. */
int tpl_jot(int mode, ...);

#ifdef __cplusplus
}
#endif

#endif
