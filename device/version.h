/* The library's version: the one place it is written (the build reads it from here). */
#ifndef ZEL_DEVICE_VERSION_H
#define ZEL_DEVICE_VERSION_H

#define ZEL_VERSION_MAJOR 0
#define ZEL_VERSION_MINOR 2
#define ZEL_VERSION_PATCH 0
#define ZEL_VERSION_STRING "0.2.0"

#endif
