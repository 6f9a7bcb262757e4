// Owning handles for the GLib and umockdev objects the adapter holds.
#ifndef ZEL_SIM_HIDRAW_GLIB_HANDLE_H
#define ZEL_SIM_HIDRAW_GLIB_HANDLE_H

#include <glib-object.h>

#include <memory>

namespace zel::sim::hidraw {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectHandle = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorHandle = std::unique_ptr<GError, GErrorFree>;

} // namespace zel::sim::hidraw

#endif
